#include "HistoryView.h"

#include <QDateTime>
#include <QSignalBlocker>
#include <QTimeZone>

#include "HistoryPath.h"
#include "HistoryTexts.h"
#include "Languages.h"
#include "SqliteStore.h"
#include "ui_HistoryView.h"

namespace travik {
namespace {

using history::RangeChoice;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

history::SqliteOptions readingOnly() {
    history::SqliteOptions options;
    options.mustExist = true;
    options.readOnly = true;
    return options;
}

// Qt 6.7 gave the edits a time zone and deprecated their time spec.
void showInUtc(QDateTimeEdit* edit) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    edit->setTimeZone(QTimeZone::utc());
#else
    edit->setTimeSpec(Qt::UTC);
#endif
}

}  // namespace

// Device times are wall-clock times as the device wrote them: shown in UTC so
// that no time zone moves or doubles an hour.
QDateTime DeviceTimeAsDateTime(long long seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
}

long long DateTimeAsDeviceTime(const QDateTime& dateTime) {
    return QDateTime(dateTime.date(), dateTime.time(), QTimeZone::utc()).toSecsSinceEpoch();
}

HistoryView::HistoryView(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::HistoryView>()) {
    ui_->setupUi(this);
    showInUtc(ui_->FromEdit);
    showInUtc(ui_->ToEdit);
    connect(ui_->ShowButton, &QPushButton::clicked, this, &HistoryView::showChosen);
    connect(ui_->RangeBox, &QComboBox::currentIndexChanged, this, &HistoryView::showChoiceState);
    connect(ui_->KeepReadoutsBox, &QCheckBox::toggled, this, &HistoryView::keepReadoutsChanged);
    setLanguage(0);
    ui_->RangeBox->setCurrentIndex(static_cast<int>(RangeChoice::SinceLastVisit));
}

HistoryView::~HistoryView() = default;

void HistoryView::setLanguage(int languageIndex) {
    languageIndex_ = languageIndex;
    const HistoryViewTexts& words = HistoryViewTextsFor(languageIndex);
    const FileMenuTexts& kinds = FileMenuTextsFor(languageIndex);
    ui_->DeviceLabel->setText(QString::fromUtf8(words.device));
    ui_->KindLabel->setText(QString::fromUtf8(words.kind));
    ui_->RangeLabel->setText(QString::fromUtf8(words.range));
    ui_->FromLabel->setText(QString::fromUtf8(words.from));
    ui_->ToLabel->setText(QString::fromUtf8(words.to));
    ui_->ShowButton->setText(QString::fromUtf8(words.show));
    ui_->KeepReadoutsBox->setText(QString::fromUtf8(words.keepReadouts));
    const int kind = std::max(0, ui_->KindBox->currentIndex());
    ui_->KindBox->clear();
    ui_->KindBox->addItem(QString::fromUtf8(kinds.dataLogger));
    ui_->KindBox->addItem(QString::fromUtf8(kinds.alarmBuffer));
    ui_->KindBox->setCurrentIndex(kind);
    const int range = std::max(0, ui_->RangeBox->currentIndex());
    ui_->RangeBox->clear();
    for (const char* choice : words.choices) ui_->RangeBox->addItem(QString::fromUtf8(choice));
    ui_->RangeBox->setCurrentIndex(range);
    if (shown_) {
        ui_->SummaryLabel->setText(fromUtf8(history::RangeSummaryText(*shown_, languageIndex)));
        ui_->DetailsList->clear();
        ui_->DetailsList->addItems(detailLines());
    }
}

// Set from the settings, not by the user: no keepReadoutsChanged().
void HistoryView::setKeepReadouts(bool on) {
    const QSignalBlocker quiet(ui_->KeepReadoutsBox);
    ui_->KeepReadoutsBox->setChecked(on);
}

bool HistoryView::keepReadouts() const {
    return ui_->KeepReadoutsBox->isChecked();
}

void HistoryView::showChoiceState() {
    const bool fromTo = ui_->RangeBox->currentIndex() == static_cast<int>(RangeChoice::FromTo);
    ui_->FromEdit->setEnabled(fromTo);
    ui_->ToEdit->setEnabled(fromTo);
}

void HistoryView::refreshDevices() {
    const QString chosen = ui_->DeviceBox->currentText();
    devices_.clear();
    ui_->DeviceBox->clear();
    try {
        history::SqliteStore store(path_, readingOnly());
        devices_ = store.devices();
    } catch (const history::HistoryError&) {
        devices_.clear();  // no history yet, or none to read: said when shown
    }
    for (const history::DeviceInfo& device : devices_)
        ui_->DeviceBox->addItem(fromUtf8(history::DisplayName(device)));
    const int again = ui_->DeviceBox->findText(chosen);
    if (again >= 0) ui_->DeviceBox->setCurrentIndex(again);
    ui_->ShowButton->setEnabled(!devices_.empty());
    if (devices_.empty())
        ui_->SummaryLabel->setText(QString::fromUtf8(HistoryViewTextsFor(languageIndex_).empty));
}

int HistoryView::deviceCount() const {
    return static_cast<int>(devices_.size());
}

void HistoryView::choose(int deviceIndex, ReadoutKind kind, RangeChoice choice,
                         history::TimeRange given) {
    ui_->DeviceBox->setCurrentIndex(deviceIndex);
    chooseKind(kind);
    ui_->RangeBox->setCurrentIndex(static_cast<int>(choice));
    if (choice == RangeChoice::FromTo) {
        ui_->FromEdit->setDateTime(DeviceTimeAsDateTime(given.from));
        ui_->ToEdit->setDateTime(DeviceTimeAsDateTime(given.to));
    }
}

void HistoryView::chooseKind(ReadoutKind kind) {
    ui_->KindBox->setCurrentIndex(kind == ReadoutKind::DataLogger ? 0 : 1);
}

// The page opens ready for its one command: a key shows the range chosen.
void HistoryView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (ui_->ShowButton->isEnabled()) ui_->ShowButton->setFocus(Qt::OtherFocusReason);
}

std::optional<history::HistoryRange> HistoryView::load(std::string& problemText) {
    const int device = ui_->DeviceBox->currentIndex();
    if (device < 0 || device >= deviceCount()) {
        problemText = HistoryViewTextsFor(languageIndex_).empty;
        return std::nullopt;
    }
    const ReadoutKind kind =
        ui_->KindBox->currentIndex() == 1 ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
    const auto choice = static_cast<RangeChoice>(std::max(0, ui_->RangeBox->currentIndex()));
    const history::TimeRange given{DateTimeAsDeviceTime(ui_->FromEdit->dateTime()),
                                   DateTimeAsDeviceTime(ui_->ToEdit->dateTime())};
    try {
        history::SqliteStore store(path_, readingOnly());
        const history::DeviceId id = devices_[static_cast<std::size_t>(device)].id;
        const auto range = history::ResolveRange(store, id, kind, choice, given);
        std::optional<history::HistoryRange> loaded =
            range ? history::LoadRange(store, id, kind, *range) : std::nullopt;
        if (!loaded) problemText = HistoryViewTextsFor(languageIndex_).nothing;
        return loaded;
    } catch (const history::HistoryError& error) {
        problemText =
            history::ProblemText(error.problem(), path_ + ": " + error.what(), languageIndex_);
        return std::nullopt;
    }
}

void HistoryView::showChosen() {
    std::string problemText;
    std::optional<history::HistoryRange> loaded = load(problemText);
    if (!loaded) {
        emit problem(fromUtf8(problemText));
        return;
    }
    shown_ = std::make_shared<const history::HistoryRange>(std::move(*loaded));
    shownName_ = ui_->DeviceBox->currentText().toStdString();
    ui_->SummaryLabel->setText(fromUtf8(history::RangeSummaryText(*shown_, languageIndex_)));
    ui_->DetailsList->clear();
    ui_->DetailsList->addItems(detailLines());
    emit rangeShown();
}

QStringList HistoryView::detailLines() const {
    QStringList lines;
    if (!shown_) return lines;
    for (const history::RangeMark& mark : shown_->marks)
        lines << fromUtf8(history::MarkText(mark, languageIndex_));
    for (const history::StoredReadout& readout : shown_->readouts)
        lines << fromUtf8(history::ReadoutText(readout, languageIndex_));
    return lines;
}

QStringList HistoryView::reportLines() const {
    QStringList lines;
    if (!shown_) return lines;
    const HistoryViewTexts& words = HistoryViewTextsFor(languageIndex_);
    lines << fromUtf8(shownName_);
    lines << fromUtf8(history::RangeSummaryText(*shown_, languageIndex_));
    if (!shown_->marks.empty()) {
        lines << QString::fromUtf8(words.marks) + QLatin1Char(':');
        for (const history::RangeMark& mark : shown_->marks)
            lines << QStringLiteral("  ") + fromUtf8(history::MarkText(mark, languageIndex_));
    }
    lines << QString::fromUtf8(words.readouts) + QLatin1Char(':');
    for (const history::StoredReadout& readout : shown_->readouts)
        lines << QStringLiteral("  ") + fromUtf8(history::ReadoutText(readout, languageIndex_));
    return lines;
}

}  // namespace travik

namespace travik {

HistoryMerge MergeIntoHistory(const std::string& path, ReadoutKind kind,
                              const TerminalText& terminal, bool endedComplete,
                              const std::string& source, int languageIndex) {
    using namespace history;
    if (path.empty())
        return {ProblemText(Problem::CannotOpen, std::string(), languageIndex), false};
    try {
        MakeParentFolders(path);
        SqliteStore store(path);
        IncomingReadout readout;
        readout.kind = kind;
        readout.terminal = terminal;
        readout.endedComplete = endedComplete;
        readout.source = source;
        const ClockReading clock = ComputerClockNow();
        readout.readAtUtc = clock.utc;
        readout.readAtLocal = clock.local;
        const MergeOutcome outcome = MergeReadout(store, readout);
        return {OutcomeText(outcome, languageIndex), outcome.merged};
    } catch (const HistoryError& error) {
        return {ProblemText(error.problem(), path + ": " + error.what(), languageIndex), false};
    }
}

}  // namespace travik
