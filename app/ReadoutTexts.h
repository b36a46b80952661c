// The readout's texts as the pages, the report and a copied selection show
// them: cells and titles decoded from Windows-1252, a column's name, the
// figures. Owned by none of the views, so that the report needs none of them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>

#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "KineticTemperature.h"
#include "Table.h"

namespace travik {

// The text of `bytes` (Windows-1252) for the screen.
QString DecodedText(const std::string& bytes);

// The title of `column`, or "#n" (counted from 1) when it has none.
QString ColumnName(const Table& table, std::size_t column);

// The figures as text in language `languageIndex`: the header, one row per
// column, and the time range line (empty without a time axis).
// With the excursions given, the limits' figures too: a header and one row
// per column with a limit (none without). The mean kinetic temperature of the
// temperature columns is one line (empty without one).
struct FiguresText {
    QStringList header;
    QList<QStringList> rows;
    QString timeRange;
    QString kineticMean;
    QStringList limitHeader;
    QList<QStringList> limitRows;
};
FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex,
                          const std::vector<history::ColumnExcursions>* excursions = nullptr,
                          double activationEnergy = kDefaultActivationEnergy);

// The same piece by piece, for a view that makes only the texts it shows.
// A row's fields: the column, its values, the minimum and where, the maximum
// and where, the mean.
inline constexpr int kFigureFields = 7;
QStringList FiguresHeader(const TableFigures& figures, int languageIndex);
QString FigureText(const Table& table, const TableFigures& figures, const ColumnFigures& column,
                   int field);
QString FiguresTimeRange(const TableFigures& figures, int languageIndex);

// The limits' figures of a column: the column, how many excursions, the time
// outside in all and the longest excursion's (h:mm:ss), the first
// excursion's start, and the time without data.
QStringList LimitFiguresHeader(int languageIndex);
QStringList LimitFiguresRow(const Table& table, const history::ColumnExcursions& column);

// "Mean kinetic temperature (83,144 kJ/mol): Value1 °C 14,87 °C": each column
// whose title names °C, °F or K, in its own unit with one digit more than
// its numbers; empty without such a column.
QString KineticMeanText(const Table& table, const TableFigures& figures, double activationEnergy,
                        int languageIndex);

}  // namespace travik
