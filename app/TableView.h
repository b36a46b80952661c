// The table page's view: Ctrl+A selects every cell, Ctrl+C copies the
// selection as plain text that pastes into a spreadsheet.
#pragma once

#include <QTableView>
#include <cstddef>

namespace travik {

class TableItemModel;

class TableView : public QTableView {
    Q_OBJECT
public:
    explicit TableView(QWidget* parent = nullptr);

    TableItemModel* tableModel() const { return model_; }

    // The selection as text: the titles of the selected columns, then each
    // selected row in the order shown, fields joined by TAB, lines ended by LF.
    QString selectionText() const;
    // Makes each of the first kFittedColumns columns as wide as its widest text
    // (estimated from the longest one, as measuring every cell costs more than
    // the whole table otherwise); columns past them keep the default width.
    static constexpr std::size_t kFittedColumns = 200;
    void fitColumns();
    // Puts selectionText() on the clipboard (nothing when nothing is selected).
    void copySelection();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TableItemModel* model_;
};

}  // namespace travik
