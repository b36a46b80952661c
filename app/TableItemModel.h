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
};

}  // namespace travik
