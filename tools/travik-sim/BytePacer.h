// Paces a reply at a baud rate against an absolute clock: byte i goes out at
// start + i × (10 bits ÷ baud), so rounding and wake-up delays never add up.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace travik::sim {

class BytePacer {
public:
    using Clock = std::chrono::steady_clock;

    // baud 0: no pacing, every byte is due at once.
    explicit BytePacer(long baud = 0) : baud_(baud) {}

    void start(Clock::time_point now) { start_ = now; }

    // How many bytes of the reply may have gone out by `now`.
    std::size_t allowedBy(Clock::time_point now) const;

    // When byte `index` (from 0) may go out.
    Clock::time_point dueTime(std::size_t index) const;

    bool paced() const { return baud_ > 0; }

private:
    static constexpr std::uint64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
    long baud_;
    Clock::time_point start_{};
};

}  // namespace travik::sim
