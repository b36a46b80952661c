// Tells the window when the desktop session ends the program: on Linux the
// session (or the terminal going away) sends SIGTERM or SIGHUP. Reported in
// the event loop, never from inside a signal handler.
#pragma once

#include <QObject>

namespace travik {

class SessionEndWatcher : public QObject {
    Q_OBJECT
public:
    // Only one watcher at a time: the signals are process-wide.
    explicit SessionEndWatcher(QObject* parent = nullptr);
    ~SessionEndWatcher() override;

signals:
    // The session asked the program to end; emitted once however many signals came.
    void sessionEnding();

private:
    void drain();

    bool reported_ = false;
};

}  // namespace travik
