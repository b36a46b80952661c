// The history view: pick a device, a kind and a range of its history; the
// range is then loaded (history/HistoryRange) for the window's table, chart,
// figures and report. Lists the readouts the range was merged from and its
// possible losses and clock changes. Opens the history file only to read it.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HistoryRange.h"

namespace Ui {
class HistoryView;
}

namespace travik {

class HistoryView : public QWidget {
    Q_OBJECT
public:
    explicit HistoryView(QWidget* parent = nullptr);
    ~HistoryView() override;

    void setHistoryPath(const std::string& path) { path_ = path; }
    const std::string& historyPath() const { return path_; }
    void setLanguage(int languageIndex);

    // The switch "keep each readout from the device in the history", as the
    // window's setting has it; a click on it is told by keepReadoutsChanged().
    void setKeepReadouts(bool on);
    bool keepReadouts() const;

    // Lists the history's devices again, keeping the one chosen.
    void refreshDevices();
    int deviceCount() const;
    // Chooses what "Show" loads: the device at `index` of the list, the kind, the range.
    void choose(int deviceIndex, ReadoutKind kind, history::RangeChoice choice,
                history::TimeRange given = {});
    // Chooses the kind "Show" loads (after a readout of that kind was merged).
    void chooseKind(ReadoutKind kind);
    // Loads the chosen range, as "Show" does.
    void showChosen();

    // The range shown last, if any.
    std::shared_ptr<const history::HistoryRange> shownRange() const { return shown_; }
    // The device's name, as the list shows it.
    std::string shownDeviceName() const { return shownName_; }
    // The lines the report gives the range: what it holds, the readouts merged, the marks.
    QStringList reportLines() const;
    QStringList detailLines() const;

signals:
    // A range was loaded (`shownRange()`).
    void rangeShown();
    // Why nothing was loaded, in the window's language.
    void problem(const QString& text);
    // The user turned the switch on or off.
    void keepReadoutsChanged(bool on);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showChoiceState();
    std::optional<history::HistoryRange> load(std::string& problemText);

    std::unique_ptr<Ui::HistoryView> ui_;
    std::string path_;
    int languageIndex_ = 0;
    std::vector<history::DeviceInfo> devices_;
    std::shared_ptr<const history::HistoryRange> shown_;
    std::string shownName_;
};

// Device times (seconds since 1970 on the device's clock) and the date-time edits' values.
QDateTime DeviceTimeAsDateTime(long long seconds);
long long DateTimeAsDeviceTime(const QDateTime& dateTime);

}  // namespace travik

namespace travik {

// Puts a readout into the history file at `path` (its folders made); the
// sentence for the status line: what the merge did, or why the history could
// not take it (the readout itself is not touched).
struct HistoryMerge {
    std::string text;
    bool kept = false;
};
HistoryMerge MergeIntoHistory(const std::string& path, ReadoutKind kind,
                              const TerminalText& terminal, bool endedComplete,
                              const std::string& source, int languageIndex);

}  // namespace travik
