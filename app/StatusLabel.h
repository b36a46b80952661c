// The window's status line: shows as much of its text as its width holds,
// ended by "…" when cut, and the whole text in its tooltip. text() keeps the
// whole text. However long the text (a stored port name of a megabyte), the
// label keeps its width and only the text's start is ever measured.
#pragma once

#include <QLabel>
#include <QString>

namespace travik {

class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent = nullptr);

    // Shows `text`; the label keeps its place and width.
    void setStatus(const QString& text);
    // The text as drawn: whole, or its start ended by "…".
    QString shownText() const;

    // At most this many characters of a text are measured and put in the tooltip.
    static constexpr int kMeasuredChars = 1000;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();
};

}  // namespace travik
