#include "StatusLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace travik {
namespace {

const QChar kEllipsis(0x2026);

// The first `count` characters of `text`, not ending inside a surrogate pair.
QString startOf(const QString& text, int count) {
    if (text.size() <= count) return text;
    if (text.at(count - 1).isHighSurrogate()) --count;
    return text.left(count);
}

}  // namespace

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void StatusLabel::setStatus(const QString& text) {
    setText(text);
    updateToolTip();
    update();
}

QString StatusLabel::shownText() const {
    const QString whole = text();
    const QString measured = startOf(whole, kMeasuredChars);
    const int room = contentsRect().width();
    QString shown = fontMetrics().elidedText(measured, Qt::ElideRight, room);
    // A start of a longer text that fits whole (characters of no width) still goes on.
    if (shown == measured && measured.size() < whole.size()) {
        shown = fontMetrics().elidedText(measured + kEllipsis + kEllipsis, Qt::ElideRight, room);
        if (!shown.endsWith(kEllipsis)) shown = kEllipsis;
    }
    return shown;
}

void StatusLabel::paintEvent(QPaintEvent* event) {
    static_cast<void>(event);
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(),
                          static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())),
                          palette(), isEnabled(), shownText(), foregroundRole());
}

void StatusLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateToolTip();
}

// The whole text (its start, when very long) whenever the line shows less.
void StatusLabel::updateToolTip() {
    const QString whole = text();
    if (shownText() == whole) {
        setToolTip(QString());
        return;
    }
    const QString start = startOf(whole, kMeasuredChars);
    setToolTip(start.size() < whole.size() ? start + kEllipsis : start);
}

}  // namespace travik
