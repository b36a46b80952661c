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

QString FigureText(const Table& table, const TableFigures& figures, const ColumnFigures& column,
                   int field) {
    switch (field) {
        case 0:
            return ColumnName(table, column.column);
        case 1:
            return QString::number(column.count);
        case 2:
            return DecodedText(column.minimum.text);
        case 3:
            return whereText(table, figures, column.minimum);
        case 4:
            return DecodedText(column.maximum.text);
        case 5:
            return whereText(table, figures, column.maximum);
        default:
            return QString::fromStdString(MeanText(column));
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
