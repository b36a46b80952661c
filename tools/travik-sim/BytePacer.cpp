#include "BytePacer.h"

#include <limits>

namespace travik::sim {
namespace {
using Wide = unsigned __int128;  // ns × baud does not fit 64 bits for long replies
constexpr Wide kNanosPerSecond = 1'000'000'000;
}  // namespace

std::size_t BytePacer::allowedBy(Clock::time_point now) const {
    if (!paced()) return std::numeric_limits<std::size_t>::max();
    if (now < start_) return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start_);
    const Wide sent = static_cast<Wide>(elapsed.count()) * static_cast<Wide>(baud_) /
                      (kNanosPerSecond * kBitsPerByte);
    const Wide allowed = sent + 1;  // byte 0 goes at the start
    if (allowed > std::numeric_limits<std::size_t>::max())
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(allowed);
}

BytePacer::Clock::time_point BytePacer::dueTime(std::size_t index) const {
    if (!paced()) return start_;
    // Rounded up, so that allowedBy(dueTime(i)) always lets byte i go.
    const Wide numerator = static_cast<Wide>(index) * kNanosPerSecond * kBitsPerByte;
    const Wide nanos = (numerator + static_cast<Wide>(baud_) - 1) / static_cast<Wide>(baud_);
    const Wide cap = static_cast<Wide>(std::numeric_limits<std::int64_t>::max() / 2);
    return start_ + std::chrono::nanoseconds(static_cast<std::int64_t>(nanos < cap ? nanos : cap));
}

}  // namespace travik::sim
