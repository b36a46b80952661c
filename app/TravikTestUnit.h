// The main window STestForm: wires the controls' events to the readout, the
// export, the settings and the port selection. Holds no rule of its own.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QProgressDialog>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AdapterIdentity.h"
#include "Dialogs.h"
#include "HistoryRange.h"
#include "LimitsSource.h"
#include "PortChoice.h"
#include "QtTexts.h"
#include "Readout.h"
#include "ReadoutFile.h"
#include "ReadoutReport.h"
#include "ReportJob.h"
#include "ShownReadout.h"
#include "Table.h"
#include "WindowFit.h"

namespace Ui {
class TSTestForm;
}

namespace travik {

class HistoryView;

// The terminal view is brought up to date at most this often while a readout runs.
inline constexpr int kViewUpdateMs = 50;

class TSTestForm : public QMainWindow, public ReadoutWindow {
    Q_OBJECT
public:
    // `dialogs` answers the modal dialogs; the on-screen ones when none is given.
    explicit TSTestForm(std::unique_ptr<Dialogs> dialogs = nullptr, QWidget* parent = nullptr);
    ~TSTestForm() override;

    // The start-up routine, run once before the window is first shown.
    void InitForm();
    // Where the port selector's ports come from: the machine's (FindSerialPorts)
    // unless another source is given before InitForm.
    void setPortFinder(std::function<FoundPorts()> finder) {
        portChoice_->setPortFinder(std::move(finder));
    }
    // Whether readouts go into the history when the settings do not say
    // (on unless changed before InitForm: the tests not about it keep it off).
    void setHistoryByDefault(bool on) { historyByDefault_ = on; }
    // Puts the captions of language `index` on the window; outside 0..3 nothing changes.
    void ApplyLanguage(int index);

    int LanguageIndex() const;   // 0..3, or -1 when no item is selected
    int SeparatorIndex() const;  // 0..1, or -1 when no item is selected
    ReadoutState& state() { return state_; }

    // Fills the table and chart pages from the terminal text (done when a readout ends).
    void fillDataPages();
    void showTable(std::shared_ptr<const Table> table);

    // Shows the saved readout at `path` (UTF-8) as after a readout of it. A
    // refused file is shown in an error box and changes nothing; a readout not
    // saved yet is replaced only when the user agrees. True when it was opened.
    bool openReadoutFile(const std::string& path);
    // What the report of the readout shown holds, made now.
    ReportInput reportInput() const;
    // Puts the closing SHA-256 of the data into `input`.
    void hashReportData(ReportInput& input) const;
    // A report is being written (on its own thread, after "Save report…").
    bool reportRunning() const { return report_ != nullptr; }
    // Handles the window's events until the report being written is done.
    void waitForReport();
    // The file shown, empty when the text came from the device.
    const std::string& openedFile() const { return shown_->filePath(); }
    const Table& table() const { return *shown_->table(); }

    // What the readout needs of the window.
    void showTerminalPage() override;
    void terminalChanged() override;
    void setProgress(int position) override;
    void setStatusText(const std::string& text) override;
    void setSaveEnabled(bool enabled) override;
    int languageIndex() const override { return LanguageIndex(); }
    void showMessage(const std::string& text) override;
    bool stopRequested() override { return end_ != WindowEnd::Open; }

    // The history: its view (a page of its own), whether readouts go into it,
    // and the range shown on the pages (none when a readout or file is shown).
    HistoryView* historyView() const { return historyView_; }
    bool historyOn() const { return historyOn_; }
    std::shared_ptr<const history::HistoryRange> shownHistoryRange() const { return historyShown_; }

    // The limits of the readout shown: where they are kept (none for a
    // readout without a first line) and the files looked in.
    const LimitsHome& limitsHome() const { return limitsHome_; }
    LimitsFiles limitsFiles() const;
    const std::vector<history::StoredLimit>& shownLimits() const { return shown_->limits(); }

    // True once the session has ended the window (then it is closed or closing
    // and will not be shown again).
    bool sessionEnded() const;

public slots:
    void ComboBox1Change();
    void Button1Click();
    void CSVDateiabspeichern1Click();
    void RadioGroup2Click();
    void Exit1Click();
    void OpenReadout1Click();
    void SaveReport1Click();
    // Puts the opened file into the history.
    void AddToHistory1Click();
    // The limits dialog for table column `column` (chart page, figures grid):
    // what it accepts is kept, then the readout's limits are loaded again.
    void openLimitsDialog(std::size_t column);
    // The session ends the program (SIGTERM, SIGHUP; on Windows the log-off or
    // shutdown): the settings are written and the port closed at once (after a
    // running readout has stopped), a box waiting for the user is closed and no
    // other comes; then the window closes and the event loop is left.
    void endSession();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // How far the window is on its way to the end; it only ever moves forward.
    enum class WindowEnd {
        Open,                 // in use
        ClosingAfterReadout,  // closed during a readout: closes when it has returned
        SessionEnding,        // settings written, no box any more: closes after the readout
        Closed,               // settings written, port closed
        SessionEnded,         // as Closed, and the event loop is being left
    };

    bool closeWindow();
    bool settingsWritten() const;
    void saveSettings();
    void closeAndLeave();
    void closeAfterReadout();
    void connectEvents();
    void applyFonts();
    void fitToScreen(const QMargins& frame);
    void loadLogo();
    void setReadButtonsEnabled(bool enabled);
    void runReadout(ReadoutKind kind);
    void updateTerminalView();
    void replaceTerminalView();
    void applyFileMenuLanguage(int index);
    void showOpenedReadout(ReadoutKind kind);
    void chooseReadoutKind(ReadoutKind kind);
    void showReadoutKind(ReadoutKind kind, bool changeable);
    void startDeviceReadout(ReadoutKind kind);
    void showPages();
    void reportStepDone();
    void endReport();
    void setUpHistory();
    std::optional<bool> historyOnToStore() const;
    void showHistoryRange();
    void loadLimits();
    void moveLimitsIntoHistory();
    void showExcursions();

    std::unique_ptr<Ui::TSTestForm> ui_;
    std::unique_ptr<Dialogs> dialogs_;
    QtTexts qtTexts_;
    SizeFollowers sizeFollowers_;
    ReadoutState state_;
    PortChoice* portChoice_;  // the port behind the selector, opened for the readout
    ShownReadout* shown_;     // what the pages and the report show
    std::string settingsPath_;
    std::size_t shownBytes_ = 0;       // terminal bytes already in the view
    std::size_t shownLineLength_ = 0;  // characters of the view's last line
    QElapsedTimer sinceViewUpdate_;
    bool transferRunning_ = false;
    WindowEnd end_ = WindowEnd::Open;
    bool shownBefore_ = false;
    std::unique_ptr<ReportJob> report_;  // the report being written, if any
    std::string reportPath_;             // where it goes
    QProgressDialog* reportProgress_ = nullptr;
    HistoryView* historyView_ = nullptr;
    QAction* addToHistory_ = nullptr;
    bool historyOn_ = true;
    double activationEnergy_ = kDefaultActivationEnergy;  // kJ/mol, from the settings
    bool historyByDefault_ = true;
    std::optional<bool> historyOnRead_;  // [history] store as the settings said at the start
    bool readoutInHistory_ = false;      // the readout shown was merged into the history
    std::shared_ptr<const history::HistoryRange> historyShown_;
    LimitsHome limitsHome_;
};

}  // namespace travik
