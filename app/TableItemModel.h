// The readout's table for a QTableView: cells and titles decoded from
// Windows-1252 when the view asks for them (a crafted reply may hold many
// thousands of cells that nobody looks at), a header click sorts (numbers as numbers, times as
// times, the rest as text).
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "Table.h"

namespace travik {

class TableItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableItemModel(QObject* parent = nullptr);

    void setTable(std::shared_ptr<const Table> table);
    const Table& table() const { return *table_; }
    // Marks on rows (by table row; bits as the history range's), shown as the
    // rows' background; a new table clears them.
    void setRowMarks(std::vector<std::uint8_t> marks);
    std::uint8_t rowMark(int row) const;  // of view row `row`
    // The cells outside their limit, each judged by the limit in force at its
    // row's time, coloured with that limit in the tooltip (numbers as the
    // column writes them, texts in language `languageIndex`). Worked out here
    // once per call, so that the view's questions cost nothing more; a new
    // table clears them.
    void setExcursions(const std::vector<history::ColumnExcursions>& excursions,
                       const TableFigures& figures, int languageIndex);
    // Whether the cell at view row `row`, column `column` is outside its limit.
    bool outsideLimit(int row, int column) const;

    // The table row shown at view row `row`.
    std::size_t tableRow(int row) const { return order_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Column -1 restores the order of the readout.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::shared_ptr<const Table> table_;
    std::vector<std::size_t> order_;
    std::vector<std::uint8_t> rowMarks_;
    // Per column: its slot in outside_ and limitTexts_, or -1 for a column without limits.
    std::vector<int> limitSlot_;
    // Per slot and table row: 0 inside or not judged, else 1 + 2 * the limit's
    // place in the column's limits + 1 when above.
    std::vector<std::vector<std::uint32_t>> outside_;
    std::vector<std::vector<QString>> limitTexts_;  // per slot: the tooltip of each mark
    std::uint32_t outsideMark(int row, int column) const;
};

}  // namespace travik
