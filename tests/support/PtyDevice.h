// A device on a pseudo-terminal for tests: the test plays the device on the
// master side, the code under test opens portPath() like any serial port.
#pragma once

#include <cstdint>
#include <string>

class PtyDevice {
public:
    PtyDevice();  // a new pty, both sides raw
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    const std::string& portPath() const { return portPath_; }

    void send(const std::string& bytes);
    // Waits up to timeoutMs for one byte from the port; -1 when none came.
    int receiveByte(int timeoutMs);
    // Closes the master side: the port sees a hang-up.
    void hangUp();

private:
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the port side alive until the code under test opens it
    std::string portPath_;
};
