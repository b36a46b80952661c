// The simulator's command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceReplies.h"

namespace travik::sim {

struct SimOptions {
    bool fast = false;                // send as fast as the port takes it
    long baud = 19200;                // pace of the bytes, 10 bits each (8N1)
    std::optional<std::size_t> rows;  // rows of both replies; unset: the device's full memory
    bool zeroEnd = true;              // end each reply with a 0 byte (else with a gap)
    bool silent = false;              // never answer
    std::optional<std::size_t> randomBytes;  // answer with this many random bytes
    std::optional<std::size_t> hangupAfter;  // hang up after this many bytes of a reply
    std::string replyFile;                   // answer with this file's exact bytes
    bool rereadReplyFile = false;            // read replyFile again at each command
    std::string linkPath;                    // a symbolic link to the port
    std::uint64_t seed = 1;
    std::string serial;  // the serial number in the device's first line
    // A device with a history (any of --log-start, --now, --advance, --interval,
    // --clock-shift, --gap, --memory): replies cut from its ring buffer.
    bool history = false;
    DeviceHistory historyParameters;
    long long advance = 0;                  // seconds between successive readouts
    std::optional<std::size_t> gapRecords;  // records lost between the first two readouts
    bool clockSetAtGiven = false;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    SimOptions options;
    std::string error;  // empty when the command line is good
};

// Parses the arguments after the program name. "--name value" and "--name=value" both work.
ParsedOptions ParseSimOptions(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

// Exit status for a bad command line.
inline constexpr int kUsageExit = 64;

}  // namespace travik::sim
