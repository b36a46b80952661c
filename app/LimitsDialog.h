// The limits dialog: a value column's lower and upper limit, delay, deadband
// and the date from which it holds, or the column's limit taken away, in the
// window's language. Bad input gets its message in the dialog, which stays
// open with nothing chosen; the window keeps what is accepted.
#pragma once

#include <QDialog>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "HistoryStore.h"

namespace Ui {
class LimitsDialog;
}

namespace travik {

// A column offered: its place in the table, its title as the device writes
// it, and the decimal separator its numbers use.
struct LimitColumn {
    std::size_t column = 0;
    std::string title;
    char decimalSeparator = ',';
};

class LimitsDialog : public QDialog {
    Q_OBJECT
public:
    // `held`: the device's limits so far (a column's newest is filled in, and
    // they give the default start); `now`: the device's time now.
    LimitsDialog(std::vector<LimitColumn> columns, std::vector<history::StoredLimit> held,
                 long long now, int languageIndex, QWidget* parent = nullptr);
    ~LimitsDialog() override;

    // Chooses the column at table place `column`, if offered.
    void chooseColumn(std::size_t column);
    // The limit accepted (its column as the device writes it, its start and
    // the time it was set filled in); meaningful once accepted.
    const history::StoredLimit& chosen() const { return chosen_; }
    // The message shown for bad input, empty when none.
    QString messageText() const;

public slots:
    // Keeps the dialog open with the message when the input does not read.
    void accept() override;

private:
    void applyLanguage();
    void fillFromHeld();
    void takeAwayToggled(bool takeAway);
    bool readInput();

    std::unique_ptr<Ui::LimitsDialog> ui_;
    std::vector<LimitColumn> columns_;
    std::vector<history::StoredLimit> held_;
    long long now_ = 0;
    int languageIndex_ = 0;
    history::StoredLimit chosen_;
};

}  // namespace travik
