// Under the table: the figures of each numeric column, one row per column
// (values, minimum and maximum with where they first occur, mean), and the
// time range of a table with a time axis. Numbers as the column writes them.
// Under them, for each column with a limit, its excursions summed up, and the
// mean kinetic temperature of the temperature columns.
#pragma once

#include <QWidget>
#include <cstddef>
#include <memory>

#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "KineticTemperature.h"
#include "Table.h"

class QLabel;
class QPushButton;
class QTableView;
class QStandardItemModel;
class QVBoxLayout;

namespace travik {

class FiguresGrid : public QWidget {
    Q_OBJECT
public:
    explicit FiguresGrid(QWidget* parent = nullptr);
    ~FiguresGrid() override;

    // Shows the figures of `table`, worked out here.
    void setTable(std::shared_ptr<const Table> table, int languageIndex);
    // Shows `figures`, worked out already from `table`.
    void setFigures(std::shared_ptr<const Table> table, std::shared_ptr<const TableFigures> figures,
                    int languageIndex);
    void setLanguage(int languageIndex);
    // The excursions of the shown table's columns with a limit (none: no limits' figures).
    void setExcursions(std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions);
    // The mean kinetic temperature's, in kJ/mol.
    void setActivationEnergy(double kilojoulesPerMole);

    const TableFigures& figures() const { return *figures_; }
    // The grid's texts, row by row, as shown (for the tests).
    QStringList headerTexts() const;
    QList<QStringList> rowTexts() const;
    QString timeRangeText() const;
    QStringList limitHeaderTexts() const;
    QList<QStringList> limitRowTexts() const;
    QString kineticMeanText() const;

signals:
    // The user asks for the limits of table column `column` (the current row's).
    void limitsRequested(std::size_t column);

private:
    class Model;
    void fill();
    void addLimitFigures(QVBoxLayout* layout);
    void fillLimitFigures();

    QLabel* timeRange_;
    QTableView* grid_;
    QPushButton* limitsButton_;  // "Limits…": the window opens its dialog
    Model* model_;
    std::shared_ptr<const Table> table_;
    std::shared_ptr<const TableFigures> figures_;
    int languageIndex_ = 0;
    QTableView* limitGrid_ = nullptr;  // a table of its own: one row per column with a limit
    QStandardItemModel* limitModel_ = nullptr;
    QLabel* kineticMean_ = nullptr;
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions_;
    double activationEnergy_ = kDefaultActivationEnergy;
};

}  // namespace travik
