#include "ReadoutTexts.h"

#include "CellValues.h"
#include "HistoryTexts.h"
#include "Languages.h"
#include "LimitTexts.h"
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

QStringList LimitFiguresHeader(int languageIndex) {
    const history::ExcursionFigureWords& words = history::ExcursionFigureWordsFor(languageIndex);
    return {text(FigureTextsFor(languageIndex).column),
            text(words.excursions),
            text(words.timeOutside),
            text(words.longest),
            text(words.firstStart),
            text(words.unknownTime)};
}

QStringList LimitFiguresRow(const Table& table, const history::ColumnExcursions& column) {
    const ExcursionFigures& figures = column.figures;
    const auto duration = [](long long seconds) {
        return QString::fromStdString(history::DurationText(seconds));
    };
    return {ColumnName(table, column.column),
            QString::number(figures.excursions.size()),
            duration(figures.outsideSeconds),
            duration(figures.longestSeconds),
            figures.firstStart
                ? QString::fromStdString(history::DeviceTimeText(*figures.firstStart))
                : QString(),
            duration(figures.unknownSeconds)};
}

namespace {

// The column's numbers, in the readout's order.
std::vector<double> columnValues(const Table& table, std::size_t column) {
    std::vector<double> values;
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        if (const auto value = ReadNumber(TrimmedField(table.cell(row, column))))
            values.push_back(*value);
    return values;
}

QString withSeparator(QString number, char decimalSeparator) {
    if (decimalSeparator != '.') number.replace(QLatin1Char('.'), QLatin1Char(decimalSeparator));
    return number;
}

}  // namespace

QString KineticMeanText(const Table& table, const TableFigures& figures, double activationEnergy,
                        int languageIndex) {
    QStringList parts;
    char separator = '.';
    for (const ColumnFigures& column : figures.columns) {
        // A column whose unit changes is split by kind: no temperature of its own.
        if (column.identifier || !column.kind.empty() || column.count == 0) continue;
        const auto unit = TemperatureUnitOf(table.titles[column.column]);
        if (!unit) continue;
        const auto kinetic =
            MeanKineticTemperature(columnValues(table, column.column), *unit, activationEnergy);
        if (!kinetic) continue;
        separator = column.decimalSeparator;
        const QString number = QString::fromStdString(
            NumberText(*kinetic, column.decimals + 1, column.decimalSeparator));
        parts << ColumnName(table, column.column) + QLatin1Char(' ') + number;
    }
    if (parts.isEmpty()) return QString();
    const QString energy = withSeparator(QString::number(activationEnergy, 'g', 10), separator);
    return text(history::ExcursionFigureWordsFor(languageIndex).kineticMean) +
           QStringLiteral(" (%1 kJ/mol): ").arg(energy) + parts.join(QStringLiteral("; "));
}

FiguresText FiguresAsText(const Table& table, const TableFigures& figures, int languageIndex,
                          const std::vector<history::ColumnExcursions>* excursions,
                          double activationEnergy) {
    FiguresText out;
    out.header = FiguresHeader(figures, languageIndex);
    for (const ColumnFigures& column : figures.columns) {
        QStringList row;
        for (int field = 0; field < kFigureFields; ++field)
            row << FigureText(table, figures, column, field);
        out.rows.append(row);
    }
    out.timeRange = FiguresTimeRange(figures, languageIndex);
    out.kineticMean = KineticMeanText(table, figures, activationEnergy, languageIndex);
    if (excursions && !excursions->empty()) {
        out.limitHeader = LimitFiguresHeader(languageIndex);
        for (const history::ColumnExcursions& column : *excursions)
            out.limitRows.append(LimitFiguresRow(table, column));
    }
    return out;
}

}  // namespace travik
