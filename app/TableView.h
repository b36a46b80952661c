// The table page's view: Ctrl+A selects every cell, Ctrl+C copies the
// selection as plain text that pastes into a spreadsheet. A copy costs the
// cells the selected rows hold (the selection is read as its ranges, never
// cell by cell), and one whose text would pass kCopyLimitBytes copies nothing.
#pragma once

#include <QTableView>
#include <cstddef>
#include <vector>

namespace travik {

class TableItemModel;

class TableView : public QTableView {
    Q_OBJECT
public:
    explicit TableView(QWidget* parent = nullptr);

    TableItemModel* tableModel() const { return model_; }

    // Makes each of the first kFittedColumns columns as wide as its widest text
    // (estimated from the longest one, as measuring every cell costs more than
    // the whole table otherwise); columns past them keep the default width.
    static constexpr std::size_t kFittedColumns = 200;
    void fitColumns();
    // Puts the selection on the clipboard as text (nothing when nothing is
    // selected): the titles of the selected columns, then each selected row in
    // the order shown, fields joined by TAB, lines ended by LF (see CopyText).
    // Past kCopyLimitBytes of text it tells copyTooLarge instead and copies nothing.
    static constexpr std::size_t kCopyLimitBytes = 50'000'000;
    void copySelection();

signals:
    void copyTooLarge(std::size_t bytes);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The selected table rows in the order shown, and the selected columns ascending.
    struct SelectedLines {
        std::vector<std::size_t> rows;
        std::vector<std::size_t> columns;
    };
    SelectedLines selectedLines() const;

    TableItemModel* model_;
};

}  // namespace travik
