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
    for (int column = 0; column < model_->columnCount(); ++column) {
        QString longest;
        for (int row = 0; row < model_->rowCount(); ++row) {
            const QString text = model_->index(row, column).data().toString();
            if (text.size() > longest.size()) longest = text;
        }
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        setColumnWidth(column, std::max(cells.horizontalAdvance(longest) + kCellPadding,
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
