// Drops the user's input to one window while a long task runs in the
// user-interface thread, instead of queueing it for afterwards.
#pragma once

#include <QObject>

class QWidget;

namespace travik {

class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* window);
    // Takes in, and drops, the input that arrived meanwhile, then lets input through again.
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
};

}  // namespace travik
