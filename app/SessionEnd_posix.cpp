// SIGTERM and SIGHUP through a self-pipe: the handler only writes one byte,
// the event loop reads it through a socket notifier.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "SessionEnd.h"

namespace travik {
namespace {

int pipeFds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP};

extern "C" void onSessionSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing more to do.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

bool openPipe() {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) return true;
    pipeFds[0] = pipeFds[1] = -1;
    return false;
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals) sigaction(number, &action, nullptr);
}

}  // namespace

SessionEndWatcher::SessionEndWatcher(QObject* parent) : QObject(parent) {
    if (!openPipe()) return;  // then the signals keep their default: the program ends
    auto* notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SessionEndWatcher::drain);
    setHandler(onSessionSignal);
}

SessionEndWatcher::~SessionEndWatcher() {
    if (pipeFds[0] < 0) return;
    setHandler(SIG_DFL);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void SessionEndWatcher::drain() {
    char bytes[64];
    while (::read(pipeFds[0], bytes, sizeof bytes) > 0) {
    }
    if (reported_) return;
    reported_ = true;
    emit sessionEnding();
}

}  // namespace travik
