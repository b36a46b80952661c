// The readout the window shows, as one document that the pages (table, chart,
// figures) and the report read from: its table and the figures worked out
// from it, where it came from, its kind, and whether a save has written it.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "ColumnFigures.h"
#include "DeviceLimits.h"
#include "ReadoutFile.h"
#include "ReadoutReport.h"
#include "Table.h"

namespace travik {

class ShownReadout : public QObject {
    Q_OBJECT
public:
    enum class Source {
        Device,   // read from the port
        File,     // a saved readout opened (filePath() tells which)
        History,  // records taken from the history
    };

    explicit ShownReadout(QObject* parent = nullptr);

    // A readout from the device begins: an opened file is no longer shown.
    void startDeviceReadout(ReadoutKind kind);
    // It has ended; `worthSaving` when it brought a reply that no save has written yet.
    void endDeviceReadout(bool worthSaving);
    // A range of the history is shown; it is kept there, so nothing is unsaved.
    // `gaps` are its possible losses: time without data for the excursions.
    void showHistory(ReadoutKind kind, std::vector<TimeSpan> gaps = {});
    // The saved readout at `path` (UTF-8) is shown; as it is in a file, it is saved.
    void openFile(std::string path, SavedReadout readout);
    // The kind the text is read as (an opened file that does not tell its kind may change it).
    void setKind(ReadoutKind kind);
    // A save has written the readout.
    void markSaved() { unsaved_ = false; }
    // The table the pages show; its figures are worked out here, once.
    void setTable(std::shared_ptr<const Table> table);
    // The limits the readout is judged by (the device's, from its history or
    // the settings); the excursions under them are worked out here, once.
    void setLimits(std::vector<history::StoredLimit> limits);

    Source source() const { return source_; }
    ReadoutKind kind() const { return kind_; }
    // A readout from the device that no save has written yet.
    bool unsaved() const { return unsaved_; }
    // The file shown, empty unless the source is a file.
    const std::string& filePath() const { return filePath_; }
    // The opened file's readout; null unless the source is a file.
    const SavedReadout* savedReadout() const { return file_ ? &*file_ : nullptr; }
    // An opened file that does not tell its kind: the user chooses it.
    bool kindChangeable() const { return file_ && !file_->kind; }
    const std::shared_ptr<const Table>& table() const { return table_; }
    const std::shared_ptr<const TableFigures>& figures() const { return figures_; }
    const std::vector<history::StoredLimit>& limits() const { return limits_; }
    // The excursions of each column with a limit, in column order.
    const std::shared_ptr<const std::vector<history::ColumnExcursions>>& excursions() const {
        return excursions_;
    }
    // Those of one column, or null when it has no limit.
    const history::ColumnExcursions* excursionsOf(std::size_t column) const;

    // What the report of the readout holds, the chart aside; `portName` is
    // the port read from, named when the readout came from the device.
    ReportInput reportInput(const std::string& portName, int languageIndex,
                            const QDateTime& reportTime) const;

signals:
    // Another table is shown: the pages follow.
    void tableChanged();
    // Other limits or another table: the excursions were worked out again.
    void excursionsChanged();

private:
    void findExcursions();

    Source source_ = Source::Device;
    ReadoutKind kind_ = ReadoutKind::DataLogger;
    bool unsaved_ = false;
    std::string filePath_;
    std::optional<SavedReadout> file_;
    std::shared_ptr<const Table> table_;
    std::shared_ptr<const TableFigures> figures_;
    std::vector<history::StoredLimit> limits_;
    std::vector<TimeSpan> gaps_;
    std::shared_ptr<const std::vector<history::ColumnExcursions>> excursions_;
};

}  // namespace travik
