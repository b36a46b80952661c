#include "TableItemModel.h"

#include <QBrush>
#include <QColor>
#include <numeric>

#include "Columns.h"
#include "ReadoutTexts.h"

namespace travik {

TableItemModel::TableItemModel(QObject* parent)
    : QAbstractTableModel(parent), table_(std::make_shared<Table>()) {}

void TableItemModel::setTable(std::shared_ptr<const Table> table) {
    beginResetModel();
    table_ = table ? std::move(table) : std::make_shared<Table>();
    order_.resize(table_->rowCount());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    rowMarks_.clear();
    endResetModel();
}

void TableItemModel::setRowMarks(std::vector<std::uint8_t> marks) {
    rowMarks_ = std::move(marks);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole});
}

std::uint8_t TableItemModel::rowMark(int row) const {
    if (row < 0 || row >= rowCount()) return 0;
    const std::size_t tableRowIndex = tableRow(row);
    return tableRowIndex < rowMarks_.size() ? rowMarks_[tableRowIndex] : 0;
}

int TableItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int TableItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_->columnCount());
}

QVariant TableItemModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::BackgroundRole && index.isValid()) {
        const std::uint8_t mark = rowMark(index.row());
        if (mark == 0) return QVariant();
        // The bits as history/HistoryRange's RowMark: 1 and 2 a possible loss beside, 4 and 8
        // a clock change or a conflict.
        return QBrush((mark & 3) != 0 ? QColor(0xf4, 0xc2, 0xc2) : QColor(0xff, 0xe8, 0xa8));
    }
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return QVariant();
    return DecodedText(
        table_->cell(tableRow(index.row()), static_cast<std::size_t>(index.column())));
}

QVariant TableItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) return QVariant();
    if (orientation == Qt::Horizontal)
        return section < columnCount()
                   ? QVariant(DecodedText(table_->titles[static_cast<std::size_t>(section)]))
                   : QVariant();
    // Rows keep the number of their place in the readout.
    if (section >= rowCount()) return QVariant();
    return QString::number(tableRow(section) + 1);
}

void TableItemModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> oldOrder = order_;
    if (column < 0 || column >= columnCount()) {
        std::iota(order_.begin(), order_.end(), std::size_t{0});
    } else {
        order_ =
            SortedRows(*table_, static_cast<std::size_t>(column), order == Qt::DescendingOrder);
    }
    // Persistent indexes (the selection, the current cell) follow their rows.
    std::vector<int> newPlace(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) newPlace[order_[i]] = static_cast<int>(i);
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after << this->index(newPlace[oldOrder[static_cast<std::size_t>(index.row())]],
                             index.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace travik
