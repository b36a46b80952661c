#include "ShownReadout.h"

#include <QFileInfo>
#include <utility>

#include "PrintableName.h"

namespace travik {

ShownReadout::ShownReadout(QObject* parent)
    : QObject(parent),
      table_(std::make_shared<Table>()),
      figures_(std::make_shared<TableFigures>()) {}

void ShownReadout::startDeviceReadout(ReadoutKind kind) {
    source_ = Source::Device;
    kind_ = kind;
    file_.reset();
    filePath_.clear();
}

void ShownReadout::endDeviceReadout(bool worthSaving) {
    unsaved_ = worthSaving;
}

void ShownReadout::showHistory(ReadoutKind kind) {
    source_ = Source::History;
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
}

void ShownReadout::setKind(ReadoutKind kind) {
    kind_ = kind;
}

void ShownReadout::setTable(std::shared_ptr<const Table> table) {
    auto shown = table ? std::move(table) : std::make_shared<const Table>();
    figures_ = std::make_shared<const TableFigures>(FiguresOf(*shown));
    table_ = std::move(shown);
    emit tableChanged();
}

ReportInput ShownReadout::reportInput(const std::string& portName, int languageIndex,
                                      const QDateTime& reportTime) const {
    ReportInput input;
    input.table = table_;
    input.figures = *figures_;
    input.alarmBuffer = kind_ == ReadoutKind::AlarmBuffer;
    input.fromFile = source_ == Source::File;
    input.sourceName = input.fromFile ? QFileInfo(QString::fromStdString(filePath_)).fileName()
                                      : QString::fromStdString(PrintableName(portName));
    input.reportTime = reportTime;
    input.languageIndex = languageIndex;
    return input;
}

}  // namespace travik
