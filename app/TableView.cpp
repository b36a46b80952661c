#include "TableView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>
#include <utility>
#include <vector>

#include "ReadoutTexts.h"
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

namespace {

// The numbers of the spans [first, last], ascending and each once.
std::vector<std::size_t> numbersOf(std::vector<std::pair<int, int>> spans) {
    std::sort(spans.begin(), spans.end());
    std::vector<std::size_t> numbers;
    long long next = 0;  // the first number not taken yet
    for (const auto& [first, last] : spans) {
        for (long long n = std::max<long long>(first, next); n <= last; ++n)
            numbers.push_back(static_cast<std::size_t>(n));
        next = std::max<long long>(next, static_cast<long long>(last) + 1);
    }
    return numbers;
}

}  // namespace

// From the selection's ranges: Ctrl+A on a wide table is one range, where
// selectedIndexes() would list every cell of rows x widest row.
TableView::SelectedLines TableView::selectedLines() const {
    std::vector<std::pair<int, int>> rowSpans, columnSpans;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (!range.isValid() || range.isEmpty()) continue;
        rowSpans.emplace_back(range.top(), range.bottom());
        columnSpans.emplace_back(range.left(), range.right());
    }
    SelectedLines lines;
    lines.rows = numbersOf(std::move(rowSpans));
    for (std::size_t& row : lines.rows) row = model_->tableRow(static_cast<int>(row));
    lines.columns = numbersOf(std::move(columnSpans));
    return lines;
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
    const SelectedLines lines = selectedLines();
    if (lines.rows.empty()) return;
    const std::size_t bytes = CopyTextSize(model_->table(), lines.columns, lines.rows);
    if (bytes > kCopyLimitBytes) {
        emit copyTooLarge(bytes);
        return;
    }
    QApplication::clipboard()->setText(
        DecodedText(CopyText(model_->table(), lines.columns, lines.rows)));
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
