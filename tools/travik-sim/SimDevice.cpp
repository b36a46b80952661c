#include "SimDevice.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>

namespace travik::sim {
namespace {

using std::chrono::milliseconds;

// Before hanging up, the port side gets time to read what was sent: a pty drops
// unread bytes when its master closes, where a real line would have delivered them.
constexpr milliseconds kSettleTime{20};
constexpr milliseconds kDrainLimit{2000};
constexpr milliseconds kDrainCheck{5};
constexpr milliseconds kMasterBackoff{10};

int ceilMs(std::chrono::steady_clock::duration d) {
    if (d <= d.zero()) return 0;
    const auto ms = std::chrono::ceil<milliseconds>(d).count();
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
}

}  // namespace

SimDevice::SimDevice(DeviceBehaviour behaviour, PtyPort& port, int stopFd)
    : behaviour_(std::move(behaviour)), port_(port), stopFd_(stopFd), pacer_(behaviour_.baud) {}

std::size_t SimDevice::replyEnd() const {
    if (reply_ == nullptr) return 0;
    if (behaviour_.hangupAfter && *behaviour_.hangupAfter < reply_->size())
        return *behaviour_.hangupAfter;
    return reply_->size();
}

bool SimDevice::dueNow(Clock::time_point now) const {
    return reply_ != nullptr && sent_ < replyEnd() && pacer_.allowedBy(now) > sent_;
}

int SimDevice::pollTimeoutMs(Clock::time_point now) const {
    int timeout = -1;
    if (hangingUp_)
        timeout = static_cast<int>(kDrainCheck.count());
    else if (reply_ != nullptr && !dueNow(now))
        timeout = ceilMs(pacer_.dueTime(sent_) - now);
    if (now < masterQuietUntil_) {
        const int quiet = ceilMs(masterQuietUntil_ - now);
        if (timeout < 0 || quiet < timeout) timeout = quiet;
    }
    return timeout;
}

void SimDevice::startReply(const std::string& bytes) {
    reply_ = &bytes;
    sent_ = 0;
    pacer_.start(Clock::now());
    noteSent(0);
}

void SimDevice::dropReply() {
    reply_ = nullptr;
    sent_ = 0;
}

void SimDevice::noteSent(std::size_t count) {
    sent_ += count;
    lastWrite_ = Clock::now();
    const auto& limit = behaviour_.hangupAfter;
    if (limit && *limit <= reply_->size() && sent_ >= *limit) hangingUp_ = true;
    if (sent_ >= reply_->size()) dropReply();
}

bool SimDevice::drained(Clock::time_point now) const {
    const auto quiet = now - lastWrite_;
    return quiet >= kSettleTime && (port_.unread() == 0 || quiet >= kDrainLimit);
}

void SimDevice::readCommands() {
    unsigned char buffer[256];
    const ssize_t got = read(port_.master(), buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (got <= 0) {
        // EIO or end of file: no one on the port side. Look again a little later.
        masterQuietUntil_ = Clock::now() + kMasterBackoff;
        return;
    }
    if (behaviour_.silent || hangingUp_) return;
    for (ssize_t i = 0; i < got && !hangingUp_; ++i) {
        // A new command replaces a reply in progress; other bytes are ignored.
        if (buffer[i] != 'h' && buffer[i] != 'd') continue;
        const char command = static_cast<char>(buffer[i]);
        takeReplyAtCommand(command);
        startReply(buffer[i] == 'h' ? behaviour_.alarmReply : behaviour_.dataReply);
    }
}

void SimDevice::takeReplyAtCommand(char command) {
    if (!behaviour_.replyAtEachCommand) return;
    dropReply();
    std::string& reply = command == 'h' ? behaviour_.alarmReply : behaviour_.dataReply;
    try {
        reply = behaviour_.replyAtEachCommand(command);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "travik-sim: %s; answering nothing\n", e.what());
        reply.clear();
    }
}

void SimDevice::sendDue(Clock::time_point now) {
    if (!dueNow(now)) return;
    // Look for a close right before writing: a client that closed and opened
    // the port again since the last poll must not get the old reply's rest.
    if (!hangingUp_ && port_.clientClosed()) {
        dropReply();
        port_.discardUnread();
        return;
    }
    const std::size_t allowed = pacer_.allowedBy(now);
    const std::size_t end = allowed < replyEnd() ? allowed : replyEnd();
    const ssize_t put = write(port_.master(), reply_->data() + sent_, end - sent_);
    if (put > 0) noteSent(static_cast<std::size_t>(put));
    // EAGAIN: the port side's queue is full, poll waits for room. EIO: no one to receive it.
    else if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        dropReply();
}

int SimDevice::run() {
    for (;;) {
        auto now = Clock::now();
        const bool masterQuiet = now < masterQuietUntil_;
        const short masterEvents = static_cast<short>(POLLIN | (dueNow(now) ? POLLOUT : 0));
        pollfd fds[3] = {
            {stopFd_, POLLIN, 0},
            {masterQuiet ? -1 : port_.master(), masterEvents, 0},
            {port_.closeWatch(), POLLIN, 0},
        };
        const int ready = poll(fds, 3, pollTimeoutMs(now));
        if (ready < 0 && errno != EINTR) return 1;
        if (fds[0].revents != 0) return 0;
        if ((fds[2].revents & POLLIN) && port_.clientClosed()) {
            if (hangingUp_) break;
            // The receiver went away: the rest of the reply is lost, and so is
            // what the port side had not read yet.
            dropReply();
            port_.discardUnread();
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) readCommands();
        now = Clock::now();
        if (fds[1].revents & POLLOUT) sendDue(now);
        if (hangingUp_ && drained(now)) break;
    }
    port_.hangUp();
    return 0;
}

}  // namespace travik::sim
