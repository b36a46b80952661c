#include "FiguresGrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "Languages.h"
#include "TableItemModel.h"

namespace travik {
namespace {

constexpr int kMostRowsShown = 6;  // more scroll, so the table keeps its room

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString columnTitle(const Table& table, std::size_t column) {
    const QString title = DecodedText(table.titles[column]);
    return title.isEmpty() ? QStringLiteral("#%1").arg(column + 1) : title;
}

// Where a value first occurs: its time on the axis, else its row number.
QString whereText(const Table& table, const TableFigures& figures, const ValueAt& at) {
    if (figures.axis && at.seconds) return DecodedText(AxisText(table, *figures.axis, at.row));
    return QStringLiteral("#%1").arg(at.row + 1);
}

}  // namespace

FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex) {
    const FigureTexts& words = FigureTextsFor(languageIndex);
    const QString where = text(figures.axis ? words.time : words.row);
    FiguresText out;
    out.header = {text(words.column),  text(words.values),
                  text(words.minimum), where,
                  text(words.maximum), where,
                  text(words.mean)};
    for (const ColumnFigures& column : figures.columns) {
        out.rows.append(
            {columnTitle(table, column.column), QString::number(column.count),
             DecodedText(column.minimum.text), whereText(table, figures, column.minimum),
             DecodedText(column.maximum.text), whereText(table, figures, column.maximum),
             QString::fromStdString(MeanText(column))});
    }
    if (figures.earliest && figures.latest)
        out.timeRange =
            text(words.timeRange)
                .arg(DecodedText(figures.earliest->text), DecodedText(figures.latest->text),
                     QString::fromStdString(SpanText(figures.spanSeconds(), words.dayUnit)));
    return out;
}

FiguresGrid::FiguresGrid(QWidget* parent)
    : QWidget(parent),
      timeRange_(new QLabel(this)),
      grid_(new QTableWidget(this)),
      table_(std::make_shared<Table>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    timeRange_->setObjectName(QStringLiteral("FiguresTimeRange"));
    timeRange_->setTextFormat(Qt::PlainText);
    timeRange_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid_->setObjectName(QStringLiteral("FiguresTable"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    grid_->setWordWrap(false);
    layout->addWidget(timeRange_);
    layout->addWidget(grid_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    fill();
}

void FiguresGrid::setTable(std::shared_ptr<const Table> table, int languageIndex) {
    table_ = table ? std::move(table) : std::make_shared<Table>();
    figures_ = FiguresOf(*table_);
    languageIndex_ = languageIndex;
    fill();
}

void FiguresGrid::setLanguage(int languageIndex) {
    languageIndex_ = languageIndex;
    fill();
}

void FiguresGrid::fill() {
    const FiguresText shown = FiguresAsText(*table_, figures_, languageIndex_);
    grid_->clear();
    grid_->setColumnCount(static_cast<int>(shown.header.size()));
    grid_->setHorizontalHeaderLabels(shown.header);
    grid_->setRowCount(static_cast<int>(shown.rows.size()));
    for (int row = 0; row < shown.rows.size(); ++row)
        for (int column = 0; column < shown.rows[row].size(); ++column) {
            auto* item = new QTableWidgetItem(shown.rows[row][column]);
            if (column > 0 && column != 3 && column != 5)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(row, column, item);
        }
    grid_->resizeColumnsToContents();
    const int rowsShown = std::min(static_cast<int>(shown.rows.size()), kMostRowsShown);
    grid_->setFixedHeight(grid_->horizontalHeader()->sizeHint().height() +
                          rowsShown * grid_->verticalHeader()->defaultSectionSize() +
                          2 * grid_->frameWidth() + 2);
    timeRange_->setText(shown.timeRange);
    timeRange_->setVisible(!shown.timeRange.isEmpty());
    setVisible(!shown.rows.isEmpty());
}

QStringList FiguresGrid::headerTexts() const {
    QStringList texts;
    for (int column = 0; column < grid_->columnCount(); ++column)
        texts << grid_->horizontalHeaderItem(column)->text();
    return texts;
}

QList<QStringList> FiguresGrid::rowTexts() const {
    QList<QStringList> rows;
    for (int row = 0; row < grid_->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < grid_->columnCount(); ++column)
            texts << grid_->item(row, column)->text();
        rows << texts;
    }
    return rows;
}

QString FiguresGrid::timeRangeText() const {
    return timeRange_->text();
}

}  // namespace travik
