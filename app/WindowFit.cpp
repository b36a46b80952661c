#include "WindowFit.h"

#include <algorithm>

namespace travik {

QRect FitToScreen(const QRect& designed, const QRect& available) {
    if (!available.isValid()) return designed;
    const QSize size = designed.size().boundedTo(available.size());
    const int x = std::clamp(designed.x(), available.left(), available.right() + 1 - size.width());
    const int y = std::clamp(designed.y(), available.top(), available.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}

void SizeFollowers::add(QWidget* control) {
    followers_.append({control, control->size()});
}

void SizeFollowers::follow(QSize windowSize) const {
    const QSize change = windowSize - windowDesign_;
    for (const Follower& follower : followers_) {
        follower.control->resize((follower.designed + change).expandedTo(QSize(0, 0)));
    }
}

}  // namespace travik
