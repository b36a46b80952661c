#include "ReadoutTexts.h"

#include "Languages.h"
#include "Windows1252.h"

namespace travik {
namespace {

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Where a value first occurs: its time on the axis, else its row number.
QString whereText(const Table& table, const TableFigures& figures, const ValueAt& at) {
    if (figures.axis && at.seconds) return DecodedText(AxisText(table, *figures.axis, at.row));
    return QStringLiteral("#%1").arg(at.row + 1);
}

}  // namespace

QString DecodedText(const std::string& bytes) {
    return QString::fromStdU16String(DecodeWindows1252(bytes));
}

QString ColumnName(const Table& table, std::size_t column) {
    const QString title = DecodedText(table.titles[column]);
    return title.isEmpty() ? QStringLiteral("#%1").arg(column + 1) : title;
}

QStringList FiguresHeader(const TableFigures& figures, int languageIndex) {
    const FigureTexts& words = FigureTextsFor(languageIndex);
    const QString where = text(figures.axis ? words.time : words.row);
    return {text(words.column),  text(words.values),
            text(words.minimum), where,
            text(words.maximum), where,
            text(words.mean)};
}

namespace {

// A kind of value (a column whose unit changes) after its column's title:
// "Value: Übertemperatur Kühler".
QString rowTitle(const Table& table, const ColumnFigures& column) {
    const QString title = ColumnName(table, column.column);
    if (column.kind.empty()) return title;
    return title + QStringLiteral(": ") + DecodedText(column.kind);
}

// A number of a kind with its unit: "85,2 °C".
QString withUnit(const QString& number, const ColumnFigures& column) {
    if (number.isEmpty() || column.unit.empty()) return number;
    return number + QLatin1Char(' ') + DecodedText(column.unit);
}

}  // namespace

QString FigureText(const Table& table, const TableFigures& figures, const ColumnFigures& column,
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

QString FiguresTimeRange(const TableFigures& figures, int languageIndex) {
    if (!figures.earliest || !figures.latest) return QString();
    const FigureTexts& words = FigureTextsFor(languageIndex);
    return text(words.timeRange)
        .arg(DecodedText(figures.earliest->text), DecodedText(figures.latest->text),
             QString::fromStdString(SpanText(figures.spanSeconds(), words.dayUnit)));
}

FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex) {
    FiguresText out;
    out.header = FiguresHeader(figures, languageIndex);
    for (const ColumnFigures& column : figures.columns) {
        QStringList row;
        for (int field = 0; field < kFigureFields; ++field)
            row << FigureText(table, figures, column, field);
        out.rows.append(row);
    }
    out.timeRange = FiguresTimeRange(figures, languageIndex);
    return out;
}

}  // namespace travik
