#include "ShownReadout.h"

#include <QFileInfo>
#include <utility>

#include "PrintableName.h"

namespace travik {

ShownReadout::ShownReadout(QObject* parent)
    : QObject(parent),
      table_(std::make_shared<Table>()),
      figures_(std::make_shared<TableFigures>()),
      excursions_(std::make_shared<std::vector<history::ColumnExcursions>>()) {}

void ShownReadout::startDeviceReadout(ReadoutKind kind) {
    source_ = Source::Device;
    kind_ = kind;
    file_.reset();
    filePath_.clear();
    gaps_.clear();
}

void ShownReadout::endDeviceReadout(bool worthSaving) {
    unsaved_ = worthSaving;
}

void ShownReadout::showHistory(ReadoutKind kind, std::vector<TimeSpan> gaps) {
    source_ = Source::History;
    gaps_ = std::move(gaps);
    kind_ = kind;
    file_.reset();
    filePath_.clear();
    unsaved_ = false;
}

void ShownReadout::openFile(std::string path, SavedReadout readout) {
    source_ = Source::File;
    filePath_ = std::move(path);
    file_ = std::move(readout);
    unsaved_ = false;
    gaps_.clear();
}

void ShownReadout::setKind(ReadoutKind kind) {
    kind_ = kind;
}

void ShownReadout::setTable(std::shared_ptr<const Table> table) {
    auto shown = table ? std::move(table) : std::make_shared<const Table>();
    figures_ = std::make_shared<const TableFigures>(FiguresOf(*shown));
    table_ = std::move(shown);
    findExcursions();
    emit tableChanged();
}

void ShownReadout::setLimits(std::vector<history::StoredLimit> limits) {
    limits_ = std::move(limits);
    findExcursions();
    emit excursionsChanged();
}

void ShownReadout::findExcursions() {
    excursions_ = std::make_shared<const std::vector<history::ColumnExcursions>>(
        limits_.empty() ? std::vector<history::ColumnExcursions>()
                        : history::TableExcursions(*table_, limits_, gaps_));
}

const history::ColumnExcursions* ShownReadout::excursionsOf(std::size_t column) const {
    for (const history::ColumnExcursions& excursions : *excursions_)
        if (excursions.column == column) return &excursions;
    return nullptr;
}

ReportInput ShownReadout::reportInput(const std::string& portName, int languageIndex,
                                      const QDateTime& reportTime) const {
    ReportInput input;
    input.table = table_;
    input.figures = *figures_;
    input.excursions = excursions_;
    input.alarmBuffer = kind_ == ReadoutKind::AlarmBuffer;
    input.fromFile = source_ == Source::File;
    input.sourceName = input.fromFile ? QFileInfo(QString::fromStdString(filePath_)).fileName()
                                      : QString::fromStdString(PrintableName(portName));
    input.reportTime = reportTime;
    input.languageIndex = languageIndex;
    return input;
}

}  // namespace travik
