#include "FiguresGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
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

QStringList headerOf(const TableFigures& figures, int languageIndex) {
    const FigureTexts& words = FigureTextsFor(languageIndex);
    const QString where = text(figures.axis ? words.time : words.row);
    return {text(words.column),  text(words.values),
            text(words.minimum), where,
            text(words.maximum), where,
            text(words.mean)};
}

// A kind of value (a column whose unit changes) after its column's title:
// "Value: Übertemperatur Kühler".
QString rowTitle(const Table& table, const ColumnFigures& column) {
    const QString title = columnTitle(table, column.column);
    if (column.kind.empty()) return title;
    return title + QStringLiteral(": ") + DecodedText(column.kind);
}

// A number of a kind with its unit: "85,0 °C".
QString withUnit(const QString& number, const ColumnFigures& column) {
    if (number.isEmpty() || column.unit.empty()) return number;
    return number + QLatin1Char(' ') + DecodedText(column.unit);
}

// The grid's cell `field` of `column`'s row.
QString figureText(const Table& table, const TableFigures& figures, const ColumnFigures& column,
                   int field) {
    switch (field) {
        case 0:
            return rowTitle(table, column);
        case 1:
            return QString::number(column.count);
        case 2:
            return withUnit(DecodedText(column.minimum.text), column);
        case 3:
            return whereText(table, figures, column.minimum);
        case 4:
            return withUnit(DecodedText(column.maximum.text), column);
        case 5:
            return whereText(table, figures, column.maximum);
        default:
            return withUnit(QString::fromStdString(MeanText(column)), column);
    }
}

constexpr int kFields = 7;

QString timeRangeOf(const TableFigures& figures, int languageIndex) {
    if (!figures.earliest || !figures.latest) return QString();
    const FigureTexts& words = FigureTextsFor(languageIndex);
    return text(words.timeRange)
        .arg(DecodedText(figures.earliest->text), DecodedText(figures.latest->text),
             QString::fromStdString(SpanText(figures.spanSeconds(), words.dayUnit)));
}

bool isTextField(int field) {
    return field == 0 || field == 3 || field == 5;
}

}  // namespace

// The figures' texts made when the view asks for them: a table of many
// thousand numeric columns costs no more than the rows on screen.
class FiguresGrid::Model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(std::shared_ptr<const Table> table, const TableFigures* figures, int languageIndex) {
        beginResetModel();
        table_ = std::move(table);
        figures_ = figures;
        header_ = headerOf(*figures_, languageIndex);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !figures_ ? 0 : static_cast<int>(figures_->columns.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : kFields;
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid() || !figures_) return QVariant();
        if (role == Qt::TextAlignmentRole && !isTextField(index.column()))
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        if (role != Qt::DisplayRole) return QVariant();
        const ColumnFigures& column = figures_->columns[static_cast<std::size_t>(index.row())];
        return figureText(*table_, *figures_, column, index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
            section >= header_.size())
            return QVariant();
        return header_[section];
    }

private:
    std::shared_ptr<const Table> table_;
    const TableFigures* figures_ = nullptr;
    QStringList header_;
};

FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex) {
    FiguresText out;
    out.header = headerOf(figures, languageIndex);
    for (const ColumnFigures& column : figures.columns) {
        QStringList row;
        for (int field = 0; field < kFields; ++field)
            row << figureText(table, figures, column, field);
        out.rows.append(row);
    }
    out.timeRange = timeRangeOf(figures, languageIndex);
    return out;
}

FiguresGrid::FiguresGrid(QWidget* parent)
    : QWidget(parent),
      timeRange_(new QLabel(this)),
      grid_(new QTableView(this)),
      model_(new Model(this)),
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
    grid_->setModel(model_);
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

FiguresGrid::~FiguresGrid() = default;

void FiguresGrid::fill() {
    model_->show(table_, &figures_, languageIndex_);
    // Fitted to the first rows' texts (the header samples a bounded number).
    grid_->resizeColumnsToContents();
    const int rows = model_->rowCount();
    const int rowsShown = std::min(rows, kMostRowsShown);
    grid_->setFixedHeight(grid_->horizontalHeader()->sizeHint().height() +
                          rowsShown * grid_->verticalHeader()->defaultSectionSize() +
                          2 * grid_->frameWidth() + 2);
    const QString timeRange = timeRangeOf(figures_, languageIndex_);
    timeRange_->setText(timeRange);
    timeRange_->setVisible(!timeRange.isEmpty());
    setVisible(rows > 0);
}

QStringList FiguresGrid::headerTexts() const {
    QStringList texts;
    for (int column = 0; column < model_->columnCount(); ++column)
        texts << model_->headerData(column, Qt::Horizontal).toString();
    return texts;
}

QList<QStringList> FiguresGrid::rowTexts() const {
    QList<QStringList> rows;
    for (int row = 0; row < model_->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < model_->columnCount(); ++column)
            texts << model_->index(row, column).data().toString();
        rows << texts;
    }
    return rows;
}

QString FiguresGrid::timeRangeText() const {
    return timeRange_->text();
}

}  // namespace travik
