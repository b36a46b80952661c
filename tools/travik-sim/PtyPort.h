// The device's end of a pseudo-terminal. Clients open the port side (path())
// like a serial port; the simulator reads and writes the master side.
#pragma once

#include <string>

namespace travik::sim {

class PtyPort {
public:
    // Opens a new pty with both sides raw. Throws std::runtime_error.
    PtyPort();
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    const std::string& path() const { return path_; }
    int master() const { return master_; }  // non-blocking; -1 after hangUp()

    // A descriptor that turns readable when a client closes the port; -1 when
    // the system cannot tell.
    int closeWatch() const { return watch_; }
    // True when a client closed the port since the last call.
    bool clientClosed();

    // Drops what the port side has not read yet, as closing a real port does.
    void discardUnread();
    // Bytes sent to the port side that it has not read yet.
    int unread() const;

    // Closes the device's side: the port side sees a hang-up.
    void hangUp();

private:
    int master_ = -1;
    // The simulator's own descriptor on the port side: keeps the pty alive
    // between clients, so the master never sees a hang-up when a client closes.
    int portKeep_ = -1;
    int watch_ = -1;
    std::string path_;
};

// A symbolic link to the port, removed again when destroyed (if still ours).
class PortLink {
public:
    // Replaces an existing symbolic link at `linkPath`; refuses anything else
    // there. Throws std::runtime_error.
    PortLink(std::string linkPath, std::string target);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

private:
    std::string linkPath_;
    std::string target_;
};

}  // namespace travik::sim
