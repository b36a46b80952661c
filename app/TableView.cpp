#include "TableView.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
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
