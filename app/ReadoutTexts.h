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
#include "Table.h"

namespace travik {

// The text of `bytes` (Windows-1252) for the screen.
QString DecodedText(const std::string& bytes);

// The title of `column`, or "#n" (counted from 1) when it has none.
QString ColumnName(const Table& table, std::size_t column);

// The figures as text in language `languageIndex`: the header, one row per
// column, and the time range line (empty without a time axis).
struct FiguresText {
    QStringList header;
    QList<QStringList> rows;
    QString timeRange;
};
FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex);

// The same piece by piece, for a view that makes only the texts it shows.
// A row's fields: the column, its values, the minimum and where, the maximum
// and where, the mean.
inline constexpr int kFigureFields = 7;
QStringList FiguresHeader(const TableFigures& figures, int languageIndex);
QString FigureText(const Table& table, const TableFigures& figures, const ColumnFigures& column,
                   int field);
QString FiguresTimeRange(const TableFigures& figures, int languageIndex);

}  // namespace travik
