#include "TableItemModel.h"

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
    endResetModel();
}

int TableItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int TableItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_->columnCount());
}

QVariant TableItemModel::data(const QModelIndex& index, int role) const {
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
