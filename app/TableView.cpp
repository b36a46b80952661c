#include "TableView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>
#include <set>
#include <vector>

#include "TableItemModel.h"

namespace travik {

TableView::TableView(QWidget* parent) : QTableView(parent), model_(new TableItemModel(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    horizontalHeader()->setSortIndicatorShown(true);
    // No sorted column until the user clicks one: the readout's order.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

QString TableView::selectionText() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return QString();
    std::set<int> rows, columns;
    for (const QModelIndex& index : selected) {
        rows.insert(index.row());
        columns.insert(index.column());
    }
    std::vector<std::size_t> tableRows, tableColumns;
    for (int row : rows) tableRows.push_back(model_->tableRow(row));
    for (int column : columns) tableColumns.push_back(static_cast<std::size_t>(column));
    return DecodedText(CopyText(model_->table(), tableColumns, tableRows));
}

void TableView::fitColumns() {
    const QFontMetrics cells(font());
    const QFontMetrics titles(horizontalHeader()->font());
    constexpr int kCellPadding = 12;
    constexpr int kTitlePadding = 28;  // room for the sort arrow
    // Cells are one byte per character (Windows-1252): the longest by bytes is
    // the one to measure. One pass over the cells the rows hold; past the first
    // columns the default width does (a crafted line may have thousands).
    const Table& table = model_->table();
    const std::size_t fitted = std::min(table.columnCount(), kFittedColumns);
    std::vector<const std::string*> longest(fitted, nullptr);
    for (const auto& row : table.rows)
        for (std::size_t column = 0; column < row.size() && column < fitted; ++column)
            if (!longest[column] || row[column].size() > longest[column]->size())
                longest[column] = &row[column];
    for (std::size_t column = 0; column < fitted; ++column) {
        const QString text = longest[column] ? DecodedText(*longest[column]) : QString();
        const QString title =
            model_->headerData(static_cast<int>(column), Qt::Horizontal).toString();
        setColumnWidth(static_cast<int>(column),
                       std::max(cells.horizontalAdvance(text) + kCellPadding,
                                titles.horizontalAdvance(title) + kTitlePadding));
    }
}

void TableView::copySelection() {
    const QString text = selectionText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void TableView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace travik
