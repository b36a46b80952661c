// Fitting the window to a small screen: the first geometry is the designed
// one, made smaller where the screen's available area is smaller, and the
// controls that follow the window grow and shrink with it.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace travik {

// The designed geometry reduced to fit `available` (the screen without its
// panels), and moved inside it as far as needed.
QRect FitToScreen(const QRect& designed, const QRect& available);

// Keeps each registered control's size at its designed size plus the change of
// the window's size since its design; its position never changes.
class SizeFollowers {
public:
    explicit SizeFollowers(QSize windowDesignSize) : windowDesign_(windowDesignSize) {}

    // Registers `control` with its current size as its designed size.
    void add(QWidget* control);
    // Applies the window's new size to the registered controls.
    void follow(QSize windowSize) const;

private:
    struct Follower {
        QWidget* control;
        QSize designed;
    };
    QSize windowDesign_;
    QList<Follower> followers_;
};

}  // namespace travik
