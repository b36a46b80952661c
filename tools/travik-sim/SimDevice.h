// The device's behaviour on its port: waits for command bytes, answers them
// paced or fast, and hangs up when told to.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "BytePacer.h"
#include "PtyPort.h"

namespace travik::sim {

struct DeviceBehaviour {
    std::string alarmReply;  // the bytes sent for "h", end byte included
    std::string dataReply;   // the bytes sent for "d"
    long baud = 0;           // 0: as fast as the port takes them
    bool silent = false;
    std::optional<std::size_t> hangupAfter;
    // When set, gives the reply to every command anew (a file that a test
    // changes between readouts, a device that keeps logging); it throws when
    // the reply cannot be had.
    std::function<std::string(char command)> replyAtEachCommand;
};

class SimDevice {
public:
    // `stopFd` turns readable when the simulator is to stop.
    SimDevice(DeviceBehaviour behaviour, PtyPort& port, int stopFd);

    // Serves until `stopFd` is readable or the device hung up. Returns the exit status.
    int run();

private:
    using Clock = BytePacer::Clock;

    int pollTimeoutMs(Clock::time_point now) const;
    bool dueNow(Clock::time_point now) const;
    void readCommands();
    void takeReplyAtCommand(char command);
    void startReply(const std::string& bytes);
    void dropReply();
    void sendDue(Clock::time_point now);
    std::size_t replyEnd() const;
    void noteSent(std::size_t count);
    bool drained(Clock::time_point now) const;

    DeviceBehaviour behaviour_;
    PtyPort& port_;
    int stopFd_;

    const std::string* reply_ = nullptr;  // the reply being sent, if any
    std::size_t sent_ = 0;
    BytePacer pacer_;
    bool hangingUp_ = false;  // the reply reached --hangup-after: waiting to hang up
    Clock::time_point lastWrite_{};
    Clock::time_point masterQuietUntil_{};  // backs off after an error on the master
};

}  // namespace travik::sim
