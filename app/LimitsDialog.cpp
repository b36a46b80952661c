#include "LimitsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>

#include "CellValues.h"
#include "DeviceLimits.h"
#include "HistoryPath.h"
#include "HistoryTexts.h"
#include "Languages.h"
#include "LimitTexts.h"
#include "ReadoutTexts.h"
#include "ui_LimitsDialog.h"

namespace travik {
namespace {

QString fromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

// A limit's number as the column writes it.
QString numberText(double value, char decimalSeparator) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    QString shown = QString::fromLatin1(text);
    return shown.replace(QLatin1Char('.'), QLatin1Char(decimalSeparator));
}

QString delayText(const ColumnLimit& limit) {
    if (limit.delaySeconds > 0)
        return QString::fromStdString(history::DurationText(limit.delaySeconds));
    return limit.delayPoints > 0 ? QString::number(limit.delayPoints) : QString();
}

// The start as typed: a date with an optional time; nothing for one that does not read.
std::optional<long long> readStart(const std::string& text) {
    const std::optional<TimeValue> time = ReadTime(text);
    if (!time || time->kind == TimeKind::TimeOfDay) return std::nullopt;
    return time->seconds;
}

}  // namespace

LimitsDialog::LimitsDialog(std::vector<LimitColumn> columns, std::vector<history::StoredLimit> held,
                           long long now, int languageIndex, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::LimitsDialog>()),
      columns_(std::move(columns)),
      held_(std::move(held)),
      now_(now),
      languageIndex_(languageIndex) {
    ui_->setupUi(this);
    for (const LimitColumn& column : columns_) ui_->ColumnBox->addItem(DecodedText(column.title));
    applyLanguage();
    connect(ui_->ButtonBox, &QDialogButtonBox::accepted, this, &LimitsDialog::accept);
    connect(ui_->ButtonBox, &QDialogButtonBox::rejected, this, &LimitsDialog::reject);
    connect(ui_->ColumnBox, &QComboBox::currentIndexChanged, this, &LimitsDialog::fillFromHeld);
    connect(ui_->TakeAwayBox, &QCheckBox::toggled, this, &LimitsDialog::takeAwayToggled);
    fillFromHeld();
}

LimitsDialog::~LimitsDialog() = default;

void LimitsDialog::applyLanguage() {
    const history::LimitDialogWords& words = history::LimitDialogWordsFor(languageIndex_);
    const LimitsWindowTexts& texts = LimitsWindowTextsFor(languageIndex_);
    ui_->ColumnLabel->setText(fromUtf8(texts.column));
    ui_->LowerLabel->setText(fromUtf8(words.lower));
    ui_->UpperLabel->setText(fromUtf8(words.upper));
    ui_->DelayLabel->setText(fromUtf8(words.delay));
    ui_->DelayEdit->setPlaceholderText(fromUtf8(words.delayHint));
    ui_->DeadbandLabel->setText(fromUtf8(words.deadband));
    ui_->FromLabel->setText(fromUtf8(words.from));
    ui_->FromEdit->setPlaceholderText(fromUtf8(words.fromHint));
    ui_->TakeAwayBox->setText(fromUtf8(texts.takeAway));
}

// The chosen column's newest limit, to be changed; empty fields for none.
void LimitsDialog::fillFromHeld() {
    const int index = ui_->ColumnBox->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= columns_.size()) return;
    const LimitColumn& column = columns_[static_cast<std::size_t>(index)];
    setWindowTitle(QString::fromUtf8(history::LimitDialogWordsFor(languageIndex_).title)
                       .replace(QStringLiteral("%s"), DecodedText(column.title)));
    const LimitHistory limits = history::LimitsOf(held_, column.title);
    const ColumnLimit newest = limits.empty() ? ColumnLimit{} : limits.back();
    const char separator = column.decimalSeparator;
    ui_->LowerEdit->setText(newest.lower ? numberText(*newest.lower, separator) : QString());
    ui_->UpperEdit->setText(newest.upper ? numberText(*newest.upper, separator) : QString());
    ui_->DelayEdit->setText(delayText(newest));
    ui_->DeadbandEdit->setText(newest.deadband > 0 ? numberText(newest.deadband, separator)
                                                   : QString());
    ui_->FromEdit->clear();
    ui_->TakeAwayBox->setChecked(false);
    ui_->MessageLabel->clear();
}

void LimitsDialog::takeAwayToggled(bool takeAway) {
    for (QLineEdit* edit : {ui_->LowerEdit, ui_->UpperEdit, ui_->DelayEdit, ui_->DeadbandEdit})
        edit->setEnabled(!takeAway);
}

void LimitsDialog::chooseColumn(std::size_t column) {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].column == column) ui_->ColumnBox->setCurrentIndex(static_cast<int>(i));
}

QString LimitsDialog::messageText() const {
    return ui_->MessageLabel->text();
}

void LimitsDialog::accept() {
    if (readInput()) QDialog::accept();
}

// Reads the fields into chosen_; false with the message shown when they do not read.
bool LimitsDialog::readInput() {
    const int index = ui_->ColumnBox->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= columns_.size()) return false;
    history::StoredLimit limit;
    limit.column = columns_[static_cast<std::size_t>(index)].title;
    if (!ui_->TakeAwayBox->isChecked()) {
        const history::LimitReading reading = history::ReadLimit(
            {ui_->LowerEdit->text().toStdString(), ui_->UpperEdit->text().toStdString(),
             ui_->DelayEdit->text().toStdString(), ui_->DeadbandEdit->text().toStdString()});
        if (reading.problem != LimitProblem::None) {
            ui_->MessageLabel->setText(QString::fromStdString(
                history::LimitProblemText(reading.problem, reading.field, languageIndex_)));
            return false;
        }
        limit.limit = reading.limit;
    }
    const std::string fromText = ui_->FromEdit->text().trimmed().toStdString();
    if (fromText.empty()) {
        limit.limit.from = history::DefaultLimitStart(held_, limit.column, now_);
    } else if (const std::optional<long long> start = readStart(fromText)) {
        limit.limit.from = *start;
    } else {
        ui_->MessageLabel->setText(fromUtf8(history::LimitDialogWordsFor(languageIndex_).badFrom));
        return false;
    }
    limit.setAtUtc = history::ComputerClockNow().utc;
    ui_->MessageLabel->clear();
    chosen_ = std::move(limit);
    return true;
}

}  // namespace travik
