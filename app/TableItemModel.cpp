#include "TableItemModel.h"

#include <QBrush>
#include <QColor>
#include <numeric>

#include "Columns.h"
#include "Excursions.h"
#include "Languages.h"
#include "LimitTexts.h"
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
    limitSlot_.clear();
    outside_.clear();
    limitTexts_.clear();
    endResetModel();
}

namespace {

// A limit's bound written as the column writes its numbers.
QString boundText(double bound, const ColumnFigures* figures) {
    return QString::fromStdString(
        figures ? NumberText(bound, figures->decimals, figures->decimalSeparator)
                : NumberText(bound, 0, '.'));
}

const ColumnFigures* figuresOf(const TableFigures& figures, std::size_t column) {
    for (const ColumnFigures& each : figures.columns)
        if (each.column == column) return &each;
    return nullptr;
}

}  // namespace

void TableItemModel::setExcursions(const std::vector<history::ColumnExcursions>& excursions,
                                   const TableFigures& figures, int languageIndex) {
    limitSlot_.assign(table_->columnCount(), -1);
    outside_.clear();
    limitTexts_.clear();
    const LimitsWindowTexts& words = LimitsWindowTextsFor(languageIndex);
    if (figures.axis) {
        const std::vector<std::optional<long long>> times = AxisTimes(*table_, *figures.axis);
        for (const history::ColumnExcursions& column : excursions) {
            if (column.column >= limitSlot_.size() || column.limits.empty()) continue;
            const ColumnFigures* columnFigures = figuresOf(figures, column.column);
            std::vector<QString> texts;
            for (const ColumnLimit& limit : column.limits) {
                const QString description = QString::fromStdString(history::LimitDescription(
                    limit, columnFigures ? columnFigures->decimalSeparator : '.', languageIndex));
                texts.push_back(
                    QString::fromUtf8(words.belowLower)
                        .arg(limit.lower ? boundText(*limit.lower, columnFigures) : QString()) +
                    QLatin1Char('\n') + description);
                texts.push_back(
                    QString::fromUtf8(words.aboveUpper)
                        .arg(limit.upper ? boundText(*limit.upper, columnFigures) : QString()) +
                    QLatin1Char('\n') + description);
            }
            std::vector<std::uint32_t> marks(table_->rowCount(), 0);
            for (const Sample& sample : SamplesOf(*table_, times, column.column)) {
                const ColumnLimit* limit = LimitAt(column.limits, sample.time);
                if (!sample.value || limit == nullptr || !IsOutside(*limit, *sample.value))
                    continue;
                const auto place = static_cast<std::uint32_t>(limit - column.limits.data());
                const bool above = limit->upper && *sample.value > *limit->upper;
                marks[sample.row] = 1 + 2 * place + (above ? 1u : 0u);
            }
            limitSlot_[column.column] = static_cast<int>(outside_.size());
            outside_.push_back(std::move(marks));
            limitTexts_.push_back(std::move(texts));
        }
    }
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ToolTipRole});
}

std::uint32_t TableItemModel::outsideMark(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 ||
        static_cast<std::size_t>(column) >= limitSlot_.size())
        return 0;
    const int slot = limitSlot_[static_cast<std::size_t>(column)];
    if (slot < 0) return 0;
    const std::vector<std::uint32_t>& marks = outside_[static_cast<std::size_t>(slot)];
    const std::size_t tableRowIndex = tableRow(row);
    return tableRowIndex < marks.size() ? marks[tableRowIndex] : 0;
}

bool TableItemModel::outsideLimit(int row, int column) const {
    return outsideMark(row, column) != 0;
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
    if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && index.isValid()) {
        if (const std::uint32_t outside = outsideMark(index.row(), index.column())) {
            if (role == Qt::BackgroundRole) return QBrush(QColor(0xe8, 0x9a, 0x3c));
            const int slot = limitSlot_[static_cast<std::size_t>(index.column())];
            return limitTexts_[static_cast<std::size_t>(slot)][outside - 1];
        }
        if (role == Qt::ToolTipRole) return QVariant();
    }
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
