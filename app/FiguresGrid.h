// Under the table: the figures of each numeric column, one row per column
// (values, minimum and maximum with where they first occur, mean), and the
// time range of a table with a time axis. Numbers as the column writes them.
#pragma once

#include <QWidget>
#include <cstddef>
#include <memory>

#include "ColumnFigures.h"
#include "Table.h"

class QLabel;
class QPushButton;
class QTableView;

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

    const TableFigures& figures() const { return *figures_; }
    // The grid's texts, row by row, as shown (for the tests).
    QStringList headerTexts() const;
    QList<QStringList> rowTexts() const;
    QString timeRangeText() const;

signals:
    // The user asks for the limits of table column `column` (the current row's).
    void limitsRequested(std::size_t column);

private:
    class Model;
    void fill();

    QLabel* timeRange_;
    QTableView* grid_;
    QPushButton* limitsButton_;  // "Limits…": the window opens its dialog
    Model* model_;
    std::shared_ptr<const Table> table_;
    std::shared_ptr<const TableFigures> figures_;
    int languageIndex_ = 0;
};

}  // namespace travik
