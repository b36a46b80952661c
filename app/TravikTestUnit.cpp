#include "TravikTestUnit.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMimeData>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <exception>

#include "AtomicFile.h"
#include "ChartPage.h"
#include "CommPortList.h"
#include "CsvExport.h"
#include "FiguresGrid.h"
#include "HistoryPath.h"
#include "HistoryTexts.h"
#include "HistoryView.h"
#include "InputBlocker.h"
#include "Languages.h"
#include "LimitsDialog.h"
#include "LogoDecoder.h"
#include "PrintableName.h"
#include "ReadoutReport.h"
#include "ReadoutTexts.h"
#include "Settings.h"
#include "StatusLabel.h"
#include "TableItemModel.h"
#include "TableView.h"
#include "Windows1252.h"
#include "ui_TSTestForm.h"

// Resources compiled into a static library are registered by hand.
static void initResources() {
    Q_INIT_RESOURCE(TravikPReadout);
}

namespace travik {
namespace {

// Where the window first appears and its size, as designed.
const QRect kDesignedGeometry(183, 32, 832, 887);

QString fromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

void selectIndex(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = group->checkedButton()) {
        // An exclusive group never lets its last checked button go.
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

void numberButtons(QButtonGroup* group, const QList<QAbstractButton*>& buttons) {
    for (int i = 0; i < buttons.size(); ++i) group->setId(buttons[i], i);
}

// The one local file dropped on the window, if that is what is dropped.
std::optional<QString> droppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return std::nullopt;
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile()) return std::nullopt;
    return QDir::toNativeSeparators(url.toLocalFile());
}

std::string fileNameOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// The CSV name proposed for a saved readout: its own name, ending in .csv.
std::string csvNameFor(const std::string& path) {
    const QFileInfo file(QString::fromStdString(path));
    const QString base =
        file.completeBaseName().isEmpty() ? file.fileName() : file.completeBaseName();
    return QDir::toNativeSeparators(file.dir().filePath(base + QStringLiteral(".csv")))
        .toStdString();
}

// What to take a file for when it does not tell: its name, as the readout proposes them.
ReadoutKind kindFromName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path))
                   .fileName()
                   .contains(QStringLiteral("alarm"), Qt::CaseInsensitive)
               ? ReadoutKind::AlarmBuffer
               : ReadoutKind::DataLogger;
}

}  // namespace

TSTestForm::TSTestForm(std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TSTestForm>()),
      dialogs_(std::move(dialogs)),
      sizeFollowers_(kDesignedGeometry.size()) {
    initResources();
    ui_->setupUi(this);
    portChoice_ = new PortChoice(state_, ui_->ComboBox1, *this, this);
    shown_ = new ShownReadout(this);
    if (!dialogs_) dialogs_ = std::make_unique<QtDialogs>(this);
    resize(kDesignedGeometry.size());
    sizeFollowers_.add(ui_->PageControl1);
    sizeFollowers_.add(ui_->RichEdit1);
    fitToScreen(QMargins());
    setWindowIcon(QIcon(QStringLiteral(":/TravikPReadout.png")));
    numberButtons(ui_->RadioGroup1Buttons, {ui_->RadioGroup1Item0, ui_->RadioGroup1Item1});
    numberButtons(ui_->RadioGroup2Buttons, {ui_->RadioGroup2Item0, ui_->RadioGroup2Item1,
                                            ui_->RadioGroup2Item2, ui_->RadioGroup2Item3});
    applyFonts();
    loadLogo();
    auto* kinds = new QActionGroup(this);
    kinds->addAction(ui_->ReadoutKindAlarm1);
    kinds->addAction(ui_->ReadoutKindData1);
    setAcceptDrops(true);
    setUpHistory();
    connectEvents();
    // However long the device's first lines are, they do not widen the page.
    ui_->TablePreamble->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

TSTestForm::~TSTestForm() = default;

void TSTestForm::connectEvents() {
    connect(ui_->ComboBox1, &QComboBox::activated, this, &TSTestForm::ComboBox1Change);
    connect(ui_->ComboBox1, &PortComboBox::pathEntered, portChoice_, &PortChoice::takeTypedPath);
    connect(ui_->ComboBox1, &PortComboBox::popupAboutToShow, portChoice_,
            &PortChoice::refreshPortList);
    connect(portChoice_, &PortChoice::readyChanged, this, &TSTestForm::setReadButtonsEnabled);
    connect(shown_, &ShownReadout::tableChanged, this, &TSTestForm::showPages);
    connect(shown_, &ShownReadout::excursionsChanged, this, &TSTestForm::showExcursions);
    connect(shown_, &ShownReadout::excursionsChanged, this,
            [this] { ui_->ChartPage1->setExcursions(shown_->excursions()); });
    connect(ui_->ChartPage1, &ChartPage::limitsRequested, this, &TSTestForm::openLimitsDialog);
    connect(ui_->FiguresGrid1, &FiguresGrid::limitsRequested, this, &TSTestForm::openLimitsDialog);
    connect(ui_->Button1, &QPushButton::clicked, this, &TSTestForm::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TSTestForm::Button1Click);
    connect(ui_->CSVDateiabspeichern1, &QAction::triggered, this,
            &TSTestForm::CSVDateiabspeichern1Click);
    connect(ui_->Exit1, &QAction::triggered, this, &TSTestForm::Exit1Click);
    connect(ui_->OpenReadout1, &QAction::triggered, this, &TSTestForm::OpenReadout1Click);
    connect(ui_->SaveReport1, &QAction::triggered, this, &TSTestForm::SaveReport1Click);
    connect(ui_->ReadoutKindAlarm1, &QAction::triggered, this,
            [this] { chooseReadoutKind(ReadoutKind::AlarmBuffer); });
    connect(ui_->ReadoutKindData1, &QAction::triggered, this,
            [this] { chooseReadoutKind(ReadoutKind::DataLogger); });
    connect(ui_->RadioGroup2Buttons, &QButtonGroup::idClicked, this, &TSTestForm::RadioGroup2Click);
    connect(ui_->TableView1, &TableView::copyTooLarge, this, [this](std::size_t bytes) {
        showMessage(CopyTooLargeText(bytes, TableView::kCopyLimitBytes, LanguageIndex()));
    });
    // Qt closes no window when the session ends.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TSTestForm::endSession,
            Qt::DirectConnection);
}

// On a screen smaller than the window, the page control with the terminal
// view shrinks so that the newest lines at its bottom stay on the screen.
// `frame`: the window frame's margins, once the window system has told them.
void TSTestForm::fitToScreen(const QMargins& frame) {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) return;
    const QRect fitted =
        FitToScreen(kDesignedGeometry + frame, shownOn->availableGeometry()) - frame;
    move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
    resize(fitted.size());
}

void TSTestForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownBefore_) return;
    shownBefore_ = true;
    // Now the frame is known: the whole window, frame included, goes on the screen.
    if (const QWindow* window = windowHandle(); window && !window->frameMargins().isNull())
        fitToScreen(window->frameMargins());
}

void TSTestForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    sizeFollowers_.follow(size());
}

void TSTestForm::applyFonts() {
    const QStringList families = QFontDatabase::families();
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    if (!families.contains(windowFont.family())) {
        windowFont = QFont(QStringLiteral("Sans Serif"));
        windowFont.setStyleHint(QFont::SansSerif);
    }
    windowFont.setPixelSize(13);
    windowFont.setBold(true);
    setFont(windowFont);
    ui_->Datei1->setFont(windowFont);  // menus are windows of their own

    QFont terminalFont = families.contains(QStringLiteral("Courier New"))
                             ? QFont(QStringLiteral("Courier New"))
                             : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    terminalFont.setPixelSize(12);
    terminalFont.setBold(false);
    ui_->RichEdit1->setFont(terminalFont);
}

void TSTestForm::loadLogo() {
    QFile file(QStringLiteral(":/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    const QImage logo = DecodeJpeg(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size()));
    if (logo.isNull()) return;  // the area stays empty
    ui_->Image1->setPixmap(QPixmap::fromImage(logo));
    ui_->Image1->resize(logo.size());
}

// ---- Start-up, port selection, shutdown ----

void TSTestForm::InitForm() {
    state_.AlarmMode = false;
    showTerminalPage();
    portChoice_->clearAndList();

    settingsPath_ = SettingsFilePath();
    const StoredSettings stored = ReadSettings(settingsPath_);
    historyOnRead_ = stored.historyOn;
    historyOn_ = stored.historyOn.value_or(historyByDefault_);
    activationEnergy_ = ActivationEnergyFromText(stored.activationEnergy);
    ui_->FiguresGrid1->setActivationEnergy(activationEnergy_);
    historyView_->setKeepReadouts(historyOn_);
    historyView_->setHistoryPath(stored.historyFile.empty() ? history::DefaultHistoryPath()
                                                            : stored.historyFile);
    historyView_->refreshDevices();
    selectIndex(ui_->RadioGroup1Buttons,
                SelectionForStoredIndex(stored.separator, kSeparatorCount));
    selectIndex(ui_->RadioGroup2Buttons, SelectionForStoredIndex(stored.language, kLanguageCount));
    ApplyLanguage(LanguageIndex());
    portChoice_->start(stored.comID, stored.comAdapter);
}

void TSTestForm::ComboBox1Change() {
    portChoice_->takeSelectedPort();
}

void TSTestForm::setReadButtonsEnabled(bool enabled) {
    ui_->Button1->setEnabled(enabled);
    ui_->Button2->setEnabled(enabled);
}

void TSTestForm::Exit1Click() {
    close();
}

void TSTestForm::closeEvent(QCloseEvent* event) {
    if (closeWindow()) {
        event->accept();
    } else {
        event->ignore();  // a readout runs: the window closes when it has returned
    }
}

// The one close routine, however the end comes (a close, a signal, the end of
// the session): the port is closed and the settings are written once. False
// while a readout runs; the window closes when it has returned.
bool TSTestForm::closeWindow() {
    if (end_ == WindowEnd::Closed || end_ == WindowEnd::SessionEnded) return true;
    if (report_) report_->cancel();  // its step ends with nothing asked or written
    if (transferRunning_) {
        if (end_ == WindowEnd::Open) end_ = WindowEnd::ClosingAfterReadout;
        return false;
    }
    const bool write = !settingsWritten();
    end_ = end_ == WindowEnd::SessionEnding ? WindowEnd::SessionEnded : WindowEnd::Closed;
    state_.ComHandle.close();  // released before any box about the settings
    if (write) saveSettings();
    return true;
}

bool TSTestForm::settingsWritten() const {
    return end_ == WindowEnd::SessionEnding || end_ == WindowEnd::Closed ||
           end_ == WindowEnd::SessionEnded;
}

bool TSTestForm::sessionEnded() const {
    return end_ == WindowEnd::SessionEnding || end_ == WindowEnd::SessionEnded;
}

// A failure is shown in a box, or on standard error once the session ends:
// then no one is left to answer a box.
void TSTestForm::saveSettings() {
    const std::string port = portChoice_->portNameToRemember();
    StoredSettings settings;  // the history's file is the user's: not written
    settings.comID = port;
    settings.historyOn = historyOnToStore();
    settings.separator = SeparatorIndex();
    settings.language = LanguageIndex();
    settings.comAdapter = portChoice_->adapterToRemember(port);
    if (WriteSettings(settingsPath_, settings).ok()) return;
    if (sessionEnded()) {
        std::fprintf(stderr, "%s.\n", UnableToWriteText(settingsPath_).c_str());
        std::fflush(stderr);
    } else {
        dialogs_->showError(UnableToWriteText(settingsPath_));
    }
}

void TSTestForm::endSession() {
    if (sessionEnded()) return;
    const bool write = !settingsWritten();
    end_ = end_ == WindowEnd::Closed ? WindowEnd::SessionEnded : WindowEnd::SessionEnding;
    if (write) saveSettings();
    closeWindow();  // the port now, or when a running readout has stopped
    dialogs_->closeWaitingDialogs();
    // Once the request has been answered (the session manager's, on Windows)
    // and the closed box has returned.
    QMetaObject::invokeMethod(this, &TSTestForm::closeAndLeave, Qt::QueuedConnection);
}

void TSTestForm::closeAndLeave() {
    if (close()) QCoreApplication::quit();
}

void TSTestForm::closeAfterReadout() {
    if (end_ == WindowEnd::ClosingAfterReadout) {
        close();
    } else if (end_ == WindowEnd::SessionEnding) {
        closeAndLeave();
    }
}

// ---- Languages ----

int TSTestForm::LanguageIndex() const {
    return ui_->RadioGroup2Buttons->checkedId();
}
int TSTestForm::SeparatorIndex() const {
    return ui_->RadioGroup1Buttons->checkedId();
}

void TSTestForm::ApplyLanguage(int index) {
    const Captions* captions = CaptionsFor(index);
    if (captions == nullptr) return;
    qtTexts_.use(index);
    dialogs_->setLanguage(index);
    ui_->Datei1->setTitle(fromUtf8(captions->Datei1));
    ui_->CSVDateiabspeichern1->setText(fromUtf8(captions->CSVDateiabspeichern1));
    ui_->GroupBox1->setTitle(fromUtf8(captions->GroupBox1));
    ui_->Button1->setText(fromUtf8(captions->Button1));
    ui_->Button2->setText(fromUtf8(captions->Button2));
    ui_->RadioGroup1->setTitle(fromUtf8(captions->RadioGroup1));
    ui_->RadioGroup2->setTitle(fromUtf8(captions->RadioGroup2));
    for (int i = 0; i < kSeparatorCount; ++i)
        ui_->RadioGroup1Buttons->button(i)->setText(fromUtf8(captions->RadioGroup1Items[i]));
    for (int i = 0; i < kLanguageCount; ++i)
        ui_->RadioGroup2Buttons->button(i)->setText(fromUtf8(captions->RadioGroup2Items[i]));
    QTabWidget* pages = ui_->PageControl1;
    pages->setTabText(pages->indexOf(ui_->TabSheet1), fromUtf8(captions->TabSheet1));
    pages->setTabText(pages->indexOf(ui_->TabSheet2), fromUtf8(captions->TabSheet2));
    pages->setTabText(pages->indexOf(ui_->TabSheet3), fromUtf8(captions->TabSheet3));
    pages->setTabText(pages->indexOf(ui_->TabSheet4), fromUtf8(captions->TabSheet4));
    ui_->ChartPage1->setLanguage(index);
    ui_->FiguresGrid1->setLanguage(index);
    showExcursions();
    applyFileMenuLanguage(index);
    const HistoryViewTexts& history = HistoryViewTextsFor(index);
    pages->setTabText(pages->indexOf(historyView_), fromUtf8(history.page));
    historyView_->setLanguage(index);
    addToHistory_->setText(fromUtf8(history.addToHistory));
}

void TSTestForm::applyFileMenuLanguage(int index) {
    const FileMenuTexts& texts = FileMenuTextsFor(index);
    ui_->OpenReadout1->setText(fromUtf8(texts.openReadout));
    ui_->SaveReport1->setText(fromUtf8(texts.saveReport));
    ui_->ReadoutKind1->setTitle(fromUtf8(texts.readoutKind));
    ui_->ReadoutKindAlarm1->setText(fromUtf8(texts.alarmBuffer));
    ui_->ReadoutKindData1->setText(fromUtf8(texts.dataLogger));
}

void TSTestForm::RadioGroup2Click() {
    ApplyLanguage(LanguageIndex());
    setStatusText(std::string());
}

// ---- Readout ----

void TSTestForm::Button1Click() {
    runReadout(sender() == ui_->Button1 ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger);
}

void TSTestForm::runReadout(ReadoutKind kind) {
    if (transferRunning_) return;
    transferRunning_ = true;
    {
        const InputBlocker blocker(this);
        sinceViewUpdate_.start();
        startDeviceReadout(kind);
        readoutInHistory_ = false;
        const ReadoutResult result = travik::Button1Click(kind, state_, *this);
        shown_->endDeviceReadout(result.count >= 2);
        showReadoutKind(kind, false);
        updateTerminalView();
        if (!result.open.ok()) {
            setStatusText(ReadoutPortFailureText(state_.ComPortName, result.open, LanguageIndex()));
        }
        fillDataPages();
        if (historyOn_ && result.open.ok() && result.count >= 2) {
            const std::string port = PrintableName(state_.ComPortName);
            const std::string adapter = portChoice_->adapterToRemember(state_.ComPortName);
            const HistoryMerge merge = MergeIntoHistory(
                historyView_->historyPath(), kind, state_.terminal,
                result.end == ReadoutEnd::Complete && result.count < ReadoutLimit(kind),
                "port " + (adapter.empty() ? port : port + " " + adapter), LanguageIndex());
            readoutInHistory_ = merge.kept;
            setStatusText(merge.text);
            historyView_->refreshDevices();
            moveLimitsIntoHistory();  // the device may be the history's now
            if (merge.kept) historyView_->chooseKind(kind);
        }
    }
    transferRunning_ = false;
    closeAfterReadout();
}

// The pages are a view of the terminal text: should they fail (no memory for a
// crafted reply), they are left empty with a note, and the text and the save
// command stay as they are.
void TSTestForm::fillDataPages() {
    historyShown_.reset();
    try {
        const TerminalText& terminal = state_.terminal;
        showTable(
            std::make_shared<const Table>(CutTable(terminal.bytes(), terminal.insertedTabs())));
    } catch (const std::exception&) {
        showTable(std::make_shared<const Table>());
        ui_->TablePreamble->setText(QString::fromStdString(PagesNotShownText(LanguageIndex())));
    }
}

void TSTestForm::showTable(std::shared_ptr<const Table> table) {
    shown_->setTable(std::move(table));
}

// The shown readout has another table: the pages follow.
void TSTestForm::showPages() {
    {
        // The limits of the table's device first, so that each page is drawn once.
        const QSignalBlocker quiet(shown_);
        loadLimits();
    }
    const std::shared_ptr<const Table>& table = shown_->table();
    QStringList preamble;
    for (const std::string& line : table->preamble)
        preamble << DecodedText(line).replace(QLatin1Char('\n'), QLatin1Char(' '));
    ui_->TablePreamble->setText(preamble.join(QLatin1Char('\n')));
    ui_->TableView1->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    ui_->TableView1->tableModel()->setTable(table);
    ui_->TableView1->fitColumns();
    ui_->ChartPage1->setTable(table, LanguageIndex(), shown_->excursions());
    ui_->FiguresGrid1->setFigures(table, shown_->figures(), LanguageIndex());
    showExcursions();
}

void TSTestForm::showTerminalPage() {
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet1);
}

void TSTestForm::terminalChanged() {
    if (!transferRunning_ || state_.terminal.size() < shownBytes_ ||
        sinceViewUpdate_.elapsed() >= kViewUpdateMs)
        updateTerminalView();
}

// The view shows the terminal text anew (another text replaced it).
void TSTestForm::replaceTerminalView() {
    ui_->RichEdit1->clear();
    shownBytes_ = 0;
    shownLineLength_ = 0;
    updateTerminalView();
}

// Brings the view up to the terminal text, appending only what is new, and
// lets the window repaint.
void TSTestForm::updateTerminalView() {
    const std::string& bytes = state_.terminal.bytes();
    if (bytes.size() < shownBytes_) {
        ui_->RichEdit1->clear();
        shownBytes_ = 0;
        shownLineLength_ = 0;
    }
    if (bytes.size() > shownBytes_) {
        const std::u16string text =
            TerminalViewText(std::string_view(bytes).substr(shownBytes_), shownLineLength_);
        QTextCursor end(ui_->RichEdit1->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdU16String(text));
        shownBytes_ = bytes.size();
        ui_->RichEdit1->moveCursor(QTextCursor::End);
        ui_->RichEdit1->ensureCursorVisible();
        // At some view heights the cursor counts as visible one line short of the end.
        QScrollBar* scroll = ui_->RichEdit1->verticalScrollBar();
        scroll->setValue(scroll->maximum());
    }
    if (transferRunning_) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceViewUpdate_.restart();
    }
}

void TSTestForm::setProgress(int position) {
    ui_->ProgressBar1->setValue(position);
}

void TSTestForm::setStatusText(const std::string& text) {
    ui_->Label1->setStatus(QString::fromStdString(text));
}

void TSTestForm::setSaveEnabled(bool enabled) {
    ui_->CSVDateiabspeichern1->setEnabled(enabled);
    ui_->SaveReport1->setEnabled(enabled && !report_);
}

// Once the session ends, no box waits for a user who has gone.
void TSTestForm::showMessage(const std::string& text) {
    if (sessionEnded()) return;
    dialogs_->showMessage(text);
}

// ---- Saved readouts ----

void TSTestForm::OpenReadout1Click() {
    if (transferRunning_) return;
    if (const std::optional<std::string> path = dialogs_->askOpenFileName()) openReadoutFile(*path);
}

void TSTestForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!transferRunning_ && droppedFile(event->mimeData())) event->acceptProposedAction();
}

void TSTestForm::dropEvent(QDropEvent* event) {
    const std::optional<QString> file = droppedFile(event->mimeData());
    if (!file || transferRunning_) return;
    event->acceptProposedAction();
    openReadoutFile(file->toStdString());
}

bool TSTestForm::openReadoutFile(const std::string& path) {
    if (transferRunning_) return false;
    const int language = LanguageIndex();
    OpenedReadout opened = OpenSavedReadout(path);
    if (opened.refusal != FileRefusal::None) {
        const std::string reason = opened.status.ok() ? std::string() : opened.status.reason();
        dialogs_->showError(RefusedFileText(opened.refusal, path, reason, language));
        return false;
    }
    if (shown_->unsaved() && !dialogs_->askYesNo(DiscardUnsavedText(path, language))) return false;
    const ReadoutKind kind = opened.readout.kind.value_or(kindFromName(path));
    shown_->openFile(path, std::move(opened.readout));
    state_.CsvFileName = csvNameFor(path);
    setWindowTitle(QStringLiteral("TravikP Readout \u2013 ") +
                   QString::fromStdString(fileNameOf(path)));
    showOpenedReadout(kind);
    showTerminalPage();
    addToHistory_->setEnabled(true);
    return true;
}

// The opened readout as `kind`: the terminal text, the pages, the status line.
void TSTestForm::showOpenedReadout(ReadoutKind kind) {
    const SavedReadout& file = *shown_->savedReadout();
    state_.terminal = TerminalOf(file, kind);
    state_.AlarmMode = kind == ReadoutKind::AlarmBuffer;
    shown_->setKind(kind);
    replaceTerminalView();
    fillDataPages();
    setProgress(0);
    setSaveEnabled(true);
    showReadoutKind(kind, shown_->kindChangeable());
    setStatusText(
        OpenedFileStatusText(fileNameOf(shown_->filePath()), file, kind, LanguageIndex()));
}

// Only for an opened file that does not tell its kind.
void TSTestForm::chooseReadoutKind(ReadoutKind kind) {
    if (!shown_->kindChangeable() || transferRunning_) return;
    showOpenedReadout(kind);
}

void TSTestForm::showReadoutKind(ReadoutKind kind, bool changeable) {
    ui_->ReadoutKindAlarm1->setChecked(kind == ReadoutKind::AlarmBuffer);
    ui_->ReadoutKindData1->setChecked(kind == ReadoutKind::DataLogger);
    ui_->ReadoutKindAlarm1->setEnabled(changeable);
    ui_->ReadoutKindData1->setEnabled(changeable);
}

// A readout from the device replaces an opened file, the title's file name with it.
void TSTestForm::startDeviceReadout(ReadoutKind kind) {
    const bool fileShown = shown_->source() == ShownReadout::Source::File;
    shown_->startDeviceReadout(kind);
    addToHistory_->setEnabled(false);
    if (fileShown) setWindowTitle(QStringLiteral("TravikP Readout"));
}

// ---- Report ----

ReportInput TSTestForm::reportInput() const {
    ReportInput input =
        shown_->reportInput(state_.ComPortName, LanguageIndex(), QDateTime::currentDateTime());
    if (historyShown_) {
        input.fromFile = true;
        input.sourceName = QString::fromStdString(fileNameOf(historyView_->historyPath()));
        input.historyLines = historyView_->reportLines();
    }
    input.activationEnergy = activationEnergy_;
    hashReportData(input);
    // The chart is drawn with widgets: recorded here, on the window's thread.
    if (!ui_->ChartPage1->chartedColumns().empty()) {
        const ChartPage* chart = ui_->ChartPage1;
        input.chart =
            RecordedChart([chart](QPainter* painter,
                                  const QRectF& target) { chart->paintChart(painter, target); },
                          ReportPageSize(QLocale::system()));
    }
    return input;
}

// The report ends with a SHA-256 a user can check with sha256sum: of the
// opened file's bytes as they are now, else of the CSV that "save" writes with
// the separator chosen (a history range as well as a device readout).
void TSTestForm::hashReportData(ReportInput& input) const {
    if (shown_->source() == ShownReadout::Source::File && !historyShown_) {
        QFile file(QString::fromStdString(shown_->filePath()));
        if (!file.open(QIODevice::ReadOnly)) return;  // gone: no line rather than a wrong one
        input.dataSha256 = DataSha256(file.readAll());
        input.hashedFile = input.sourceName;
        return;
    }
    const std::string csv =
        SeparatorIndex() == 1
            ? SeparatedCsvText(state_.terminal, state_.AlarmMode, SeparatorFor(LanguageIndex()))
            : TabbedCsvText(state_.terminal, state_.AlarmMode);
    input.dataSha256 =
        DataSha256(QByteArray::fromRawData(csv.data(), static_cast<qsizetype>(csv.size())));
}

// The report is planned and written on a thread of its own, a progress box
// with Cancel meanwhile; a long one only when the user agrees. Only a complete
// report replaces the file.
void TSTestForm::SaveReport1Click() {
    if (transferRunning_ || report_) return;
    setStatusText(std::string());
    const std::optional<std::string> fileName =
        dialogs_->askReportFileName(ReportFileName(state_.CsvFileName));
    if (!fileName) return;
    reportPath_ = *fileName;
    report_ = std::make_unique<ReportJob>(reportInput(), ReportPageSize(QLocale::system()));
    const ReportTexts& words = ReportTextsFor(LanguageIndex());
    reportProgress_ = new QProgressDialog(QString::fromUtf8(words.writing),
                                          QString::fromUtf8(words.cancel), 0, 1000, this);
    reportProgress_->setObjectName(QStringLiteral("ReportProgress1"));
    reportProgress_->setWindowTitle(windowTitle());
    reportProgress_->setWindowModality(Qt::NonModal);
    reportProgress_->setMinimumDuration(500);
    reportProgress_->setAutoReset(false);
    reportProgress_->setAutoClose(false);
    connect(reportProgress_, &QProgressDialog::canceled, report_.get(), &ReportJob::cancel);
    connect(report_.get(), &ReportJob::progressed, reportProgress_, &QProgressDialog::setValue);
    connect(report_.get(), &QThread::finished, this, &TSTestForm::reportStepDone);
    reportProgress_->setValue(0);
    ui_->SaveReport1->setEnabled(false);
    report_->startPlanning();
}

void TSTestForm::reportStepDone() {
    if (!report_) return;
    report_->wait();  // finished() comes just before the thread's very end
    if (report_->cancelled() || end_ != WindowEnd::Open) return endReport();
    if (report_->step() == ReportJob::Step::Planning) {
        const std::size_t pages = report_->pageCount();
        const std::string question =
            QString::fromUtf8(ReportTextsFor(LanguageIndex()).manyPages).arg(pages).toStdString();
        if (pages > kReportPagesAsked && !dialogs_->askYesNo(question)) return endReport();
        // Cancelled while the question waited, or the window closed.
        if (!report_ || report_->cancelled() || end_ != WindowEnd::Open) return endReport();
        report_->startWriting();
        return;
    }
    const std::optional<QByteArray> pdf = report_->takePdf();
    const std::string path = reportPath_;
    endReport();
    if (!pdf) return;
    // Written from the array itself: a report of thousands of pages is not copied.
    const Status saved = WriteFileAtomically(
        path, std::string_view(pdf->constData(), static_cast<std::size_t>(pdf->size())));
    if (saved.ok()) return;
    // As the CSV: the box keeps its fixed text, the status line adds the system's reason.
    setStatusText(saved.reason());
    dialogs_->showError(FileErrorText(saved));
}

void TSTestForm::endReport() {
    delete reportProgress_;
    reportProgress_ = nullptr;
    report_.reset();
    reportPath_.clear();
    ui_->SaveReport1->setEnabled(ui_->CSVDateiabspeichern1->isEnabled());
}

void TSTestForm::waitForReport() {
    while (report_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// ---- History ----

void TSTestForm::setUpHistory() {
    historyView_ = new HistoryView(this);
    historyView_->setObjectName(QStringLiteral("HistoryView1"));
    ui_->PageControl1->addTab(historyView_, QString());
    connect(historyView_, &HistoryView::rangeShown, this, &TSTestForm::showHistoryRange);
    connect(historyView_, &HistoryView::keepReadoutsChanged, this,
            [this](bool on) { historyOn_ = on; });
    connect(historyView_, &HistoryView::problem, this,
            [this](const QString& text) { setStatusText(text.toStdString()); });
    addToHistory_ = new QAction(this);
    addToHistory_->setObjectName(QStringLiteral("AddToHistory1"));
    addToHistory_->setEnabled(false);
    ui_->Datei1->insertAction(ui_->SaveReport1, addToHistory_);
    connect(addToHistory_, &QAction::triggered, this, &TSTestForm::AddToHistory1Click);
}

// What the settings file said, as long as the switch still says it (a missing
// key stays missing, the user's own spelling stays); the switch's state once
// the user has changed it.
std::optional<bool> TSTestForm::historyOnToStore() const {
    if (historyOn_ == historyOnRead_.value_or(historyByDefault_)) return historyOnRead_;
    return historyOn_;
}

void TSTestForm::AddToHistory1Click() {
    if (shown_->source() != ShownReadout::Source::File || transferRunning_) return;
    setStatusText(
        MergeIntoHistory(historyView_->historyPath(),
                         state_.AlarmMode ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger,
                         state_.terminal, true, "file " + shown_->filePath(), LanguageIndex())
            .text);
    historyView_->refreshDevices();
    moveLimitsIntoHistory();
}

// The range the history view loaded, on the pages as a readout: the table with
// its marked rows, the chart with its shaded stretches, the figures, the
// terminal text that the CSV export writes.
void TSTestForm::showHistoryRange() {
    const std::shared_ptr<const history::HistoryRange> range = historyView_->shownRange();
    if (!range || transferRunning_) return;
    // A readout kept in the history is not lost by showing another range of it.
    if (shown_->unsaved() && !readoutInHistory_ &&
        !dialogs_->askYesNo(DiscardUnsavedText(historyView_->shownDeviceName(), LanguageIndex())))
        return;
    if (shown_->source() == ShownReadout::Source::File)
        setWindowTitle(QStringLiteral("TravikP Readout"));
    std::vector<TimeSpan> losses;
    for (const history::RangeMark& mark : range->marks)
        if (mark.type == history::RangeMark::Type::PossibleLoss)
            losses.push_back({mark.from, mark.to});
    shown_->showHistory(range->kind, std::move(losses));
    addToHistory_->setEnabled(false);
    state_.terminal = range->terminal;
    state_.AlarmMode = range->kind == ReadoutKind::AlarmBuffer;
    replaceTerminalView();
    historyShown_ = range;  // before the table: its limits are the range's device's
    showTable(std::make_shared<const Table>(history::RangeTable(*range)));
    ui_->TableView1->tableModel()->setRowMarks(range->rowMarks);
    std::vector<ChartBand> bands;
    for (const history::RangeMark& mark : range->marks) {
        if (mark.type == history::RangeMark::Type::Conflict) continue;
        const bool loss = mark.type == history::RangeMark::Type::PossibleLoss;
        bands.push_back({loss ? ChartBand::Kind::PossibleLoss : ChartBand::Kind::ClockChange,
                         static_cast<double>(mark.from), static_cast<double>(mark.to)});
    }
    ui_->ChartPage1->setBands(std::move(bands));
    showReadoutKind(range->kind, false);
    setProgress(0);
    setSaveEnabled(true);
    state_.CsvFileName =
        (QDir(QDir::homePath())
             .filePath(QStringLiteral("History %1 %2.csv")
                           .arg(QString::fromStdString(
                                    history::DeviceTimeText(range->range.from).substr(0, 10)),
                                QString::fromStdString(
                                    history::DeviceTimeText(range->range.to).substr(0, 10)))))
            .toStdString();
    setStatusText(history::RangeSummaryText(*range, LanguageIndex()));
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet3);
}

// ---- Limits ----

LimitsFiles TSTestForm::limitsFiles() const {
    return {historyView_->historyPath(), historyOn_, settingsPath_};
}

// Whenever another table is shown: a history range's limits are its device's;
// a readout's those of the device its first line names.
void TSTestForm::loadLimits() {
    const LimitsFiles files = limitsFiles();
    if (historyShown_) {
        limitsHome_ = HistoryDeviceHome(historyShown_->device);
        shown_->setLimits(LoadLimits(files, limitsHome_));
        return;
    }
    const std::vector<std::string>& preamble = shown_->table()->preamble;
    FoundLimits found = FindLimits(files, preamble.empty() ? std::string() : preamble.front());
    limitsHome_ = std::move(found.home);
    shown_->setLimits(std::move(found.limits));
}

// A device the history has taken in keeps its limits there from now on.
void TSTestForm::moveLimitsIntoHistory() {
    const std::vector<std::string>& preamble = shown_->table()->preamble;
    if (historyOn_ && !preamble.empty()) {
        const std::string problem =
            MoveLimitsIntoHistory(limitsFiles(), preamble.front(), LanguageIndex());
        if (!problem.empty())
            showMessage(QString::fromUtf8(LimitsWindowTextsFor(LanguageIndex()).notKept)
                            .arg(QString::fromStdString(problem))
                            .toStdString());
    }
    loadLimits();
}

// The pages that show excursions follow the limits (and the language).
void TSTestForm::showExcursions() {
    ui_->TableView1->tableModel()->setExcursions(*shown_->excursions(), *shown_->figures(),
                                                 LanguageIndex());
    ui_->FiguresGrid1->setExcursions(shown_->excursions());
}

void TSTestForm::openLimitsDialog(std::size_t column) {
    if (transferRunning_ || limitsHome_.place == LimitsHome::Place::None) return;
    const Table& shownTable = *shown_->table();
    std::vector<LimitColumn> columns;
    for (const ColumnFigures& figures : shown_->figures()->columns) {
        if (figures.identifier || figures.column >= shownTable.titles.size()) continue;
        if (!columns.empty() && columns.back().column == figures.column) continue;
        columns.push_back(
            {figures.column, shownTable.titles[figures.column], figures.decimalSeparator});
    }
    if (columns.empty()) return;
    const history::ClockReading clock = history::ComputerClockNow();
    LimitsDialog dialog(std::move(columns), shown_->limits(), clock.local.value_or(clock.utc),
                        LanguageIndex(), this);
    dialog.setObjectName(QStringLiteral("LimitsDialog1"));
    dialog.chooseColumn(column);
    if (!dialogs_->runDialog(dialog)) return;
    const std::string problem =
        KeepLimit(limitsFiles(), limitsHome_, dialog.chosen(), LanguageIndex());
    if (!problem.empty()) {
        dialogs_->showError(QString::fromUtf8(LimitsWindowTextsFor(LanguageIndex()).notKept)
                                .arg(QString::fromStdString(problem))
                                .toStdString());
    }
    loadLimits();
}

// ---- CSV export ----

void TSTestForm::CSVDateiabspeichern1Click() {
    setStatusText(std::string());
    const std::optional<std::string> fileName = dialogs_->askSaveFileName(state_.CsvFileName);
    if (!fileName) return;
    const Status saved = SeparatorIndex() == 1
                             ? SaveCsvSeparated(*fileName, state_.terminal, state_.AlarmMode,
                                                SeparatorFor(LanguageIndex()))
                             : SaveCsvTabbed(*fileName, state_.terminal, state_.AlarmMode);
    setProgress(0);
    if (saved.ok()) {
        shown_->markSaved();
        return;
    }
    // The box keeps its fixed text; the status line adds the system's reason.
    setStatusText(saved.reason());
    dialogs_->showError(FileErrorText(saved));
}

}  // namespace travik
