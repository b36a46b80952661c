#include "FiguresGrid.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "Languages.h"
#include "ReadoutTexts.h"

namespace travik {
namespace {

constexpr int kMostRowsShown = 6;  // more scroll, so the table keeps its room

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
        header_ = FiguresHeader(*figures_, languageIndex);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !figures_ ? 0 : static_cast<int>(figures_->columns.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : kFigureFields;
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid() || !figures_) return QVariant();
        if (role == Qt::TextAlignmentRole && !isTextField(index.column()))
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        if (role != Qt::DisplayRole) return QVariant();
        const ColumnFigures& column = figures_->columns[static_cast<std::size_t>(index.row())];
        return FigureText(*table_, *figures_, column, index.column());
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

FiguresGrid::FiguresGrid(QWidget* parent)
    : QWidget(parent),
      timeRange_(new QLabel(this)),
      grid_(new QTableView(this)),
      limitsButton_(new QPushButton(this)),
      model_(new Model(this)),
      table_(std::make_shared<Table>()),
      figures_(std::make_shared<TableFigures>()) {
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
    auto* top = new QHBoxLayout;
    top->addWidget(timeRange_, 1);
    limitsButton_->setObjectName(QStringLiteral("FiguresLimitsButton"));
    top->addWidget(limitsButton_);
    layout->addLayout(top);
    connect(limitsButton_, &QPushButton::clicked, this, [this] {
        const std::vector<ColumnFigures>& columns = figures_->columns;
        if (columns.empty()) return;
        // The current row's column, else the first that is no identifier.
        std::size_t place = 0;
        if (grid_->currentIndex().isValid()) {
            place = static_cast<std::size_t>(grid_->currentIndex().row());
        } else {
            while (place + 1 < columns.size() && columns[place].identifier) ++place;
        }
        emit limitsRequested(columns[place < columns.size() ? place : 0].column);
    });
    layout->addWidget(grid_);
    addLimitFigures(layout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    fill();
}

void FiguresGrid::setTable(std::shared_ptr<const Table> table, int languageIndex) {
    auto shown = table ? std::move(table) : std::make_shared<Table>();
    auto figures = std::make_shared<const TableFigures>(FiguresOf(*shown));
    setFigures(std::move(shown), std::move(figures), languageIndex);
}

void FiguresGrid::setFigures(std::shared_ptr<const Table> table,
                             std::shared_ptr<const TableFigures> figures, int languageIndex) {
    table_ = table ? std::move(table) : std::make_shared<Table>();
    figures_ = figures ? std::move(figures) : std::make_shared<TableFigures>();
    languageIndex_ = languageIndex;
    fill();
}

void FiguresGrid::setLanguage(int languageIndex) {
    languageIndex_ = languageIndex;
    fill();
}

FiguresGrid::~FiguresGrid() = default;

void FiguresGrid::fill() {
    limitsButton_->setText(QString::fromUtf8(LimitsWindowTextsFor(languageIndex_).open));
    limitsButton_->setEnabled(!figures_->columns.empty());
    model_->show(table_, figures_.get(), languageIndex_);
    // Fitted to the first rows' texts (the header samples a bounded number).
    grid_->resizeColumnsToContents();
    const int rows = model_->rowCount();
    const int rowsShown = std::min(rows, kMostRowsShown);
    grid_->setFixedHeight(grid_->horizontalHeader()->sizeHint().height() +
                          rowsShown * grid_->verticalHeader()->defaultSectionSize() +
                          2 * grid_->frameWidth() + 2);
    const QString timeRange = FiguresTimeRange(*figures_, languageIndex_);
    timeRange_->setText(timeRange);
    timeRange_->setVisible(!timeRange.isEmpty());
    setVisible(rows > 0);
    fillLimitFigures();
}

void FiguresGrid::setExcursions(
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions) {
    excursions_ = std::move(excursions);
    fillLimitFigures();
}

void FiguresGrid::setActivationEnergy(double kilojoulesPerMole) {
    activationEnergy_ = kilojoulesPerMole;
    fillLimitFigures();
}

void FiguresGrid::addLimitFigures(QVBoxLayout* layout) {
    limitGrid_ = new QTableView(this);
    limitGrid_->setObjectName(QStringLiteral("LimitFiguresTable"));
    limitModel_ = new QStandardItemModel(this);
    limitGrid_->setModel(limitModel_);
    limitGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    limitGrid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    limitGrid_->verticalHeader()->hide();
    limitGrid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    limitGrid_->setWordWrap(false);
    kineticMean_ = new QLabel(this);
    kineticMean_->setObjectName(QStringLiteral("FiguresKineticMean"));
    kineticMean_->setTextFormat(Qt::PlainText);
    kineticMean_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(kineticMean_);
    layout->addWidget(limitGrid_);
}

// The limits' figures of the excursions given, when they are the shown table's.
void FiguresGrid::fillLimitFigures() {
    const QString kinetic = KineticMeanText(*table_, *figures_, activationEnergy_, languageIndex_);
    kineticMean_->setText(kinetic);
    kineticMean_->setVisible(!kinetic.isEmpty());
    limitModel_->clear();
    const bool shown = excursions_ && !excursions_->empty();
    const QStringList header = shown ? LimitFiguresHeader(languageIndex_) : QStringList();
    limitModel_->setColumnCount(static_cast<int>(header.size()));
    limitModel_->setHorizontalHeaderLabels(header);
    limitModel_->setRowCount(shown ? static_cast<int>(excursions_->size()) : 0);
    int row = 0;
    if (shown) {
        for (const history::ColumnExcursions& column : *excursions_) {
            const QStringList cells = column.column < table_->columnCount()
                                          ? LimitFiguresRow(*table_, column)
                                          : QStringList();
            for (int field = 0; field < static_cast<int>(cells.size()); ++field) {
                auto* item = new QStandardItem(cells[field]);
                if (field > 0 && field != 4)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                limitModel_->setItem(row, field, item);
            }
            ++row;
        }
    }
    limitGrid_->resizeColumnsToContents();
    limitGrid_->setFixedHeight(limitGrid_->horizontalHeader()->sizeHint().height() +
                               std::min(row, kMostRowsShown) *
                                   limitGrid_->verticalHeader()->defaultSectionSize() +
                               2 * limitGrid_->frameWidth() + 2);
    limitGrid_->setVisible(shown);
}

QStringList FiguresGrid::limitHeaderTexts() const {
    QStringList texts;
    for (int column = 0; column < limitModel_->columnCount(); ++column)
        texts << limitModel_->horizontalHeaderItem(column)->text();
    return texts;
}

QList<QStringList> FiguresGrid::limitRowTexts() const {
    QList<QStringList> rows;
    for (int row = 0; row < limitModel_->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < limitModel_->columnCount(); ++column) {
            const QStandardItem* item = limitModel_->item(row, column);
            texts << (item ? item->text() : QString());
        }
        rows << texts;
    }
    return rows;
}

QString FiguresGrid::kineticMeanText() const {
    return kineticMean_->text();
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
