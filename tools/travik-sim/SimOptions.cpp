#include "SimOptions.h"

#include <limits>

#include "DeviceReplies.h"
#include "PrintableName.h"

namespace travik::sim {
namespace {

const std::uint64_t kMaxCount = 100'000'000;  // bytes or rows: far beyond any device

// Digits only, no sign, no spaces; `max` included.
std::optional<std::uint64_t> parseNumber(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

const long long kMaxSeconds = 100LL * 366 * 86400;  // durations and clock shifts

// Seconds, or with a unit: "90", "15m", "6h", "2d"; a sign only when `signedValue`.
std::optional<long long> parseDuration(std::string text, bool signedValue) {
    bool negative = false;
    if (signedValue && !text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    long long unit = 1;
    if (!text.empty()) {
        const char last = text.back();
        unit = last == 'd' ? 86400 : last == 'h' ? 3600 : last == 'm' ? 60 : last == 's' ? 1 : 0;
        if (unit != 0)
            text.pop_back();
        else
            unit = 1;
    }
    const auto value = parseNumber(text, static_cast<std::uint64_t>(kMaxSeconds));
    if (!value || static_cast<long long>(*value) > kMaxSeconds / unit) return std::nullopt;
    const long long seconds = static_cast<long long>(*value) * unit;
    return negative ? -seconds : seconds;
}

// Letters, digits and "-./" only, so the first line stays one plain line.
bool isSerialNumber(const std::string& text) {
    if (text.empty() || text.size() > 20) return false;
    for (const char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '/';
        if (!plain) return false;
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParsedOptions run() {
        while (result_.error.empty() && next_ < args_.size()) takeOption(args_[next_++]);
        if (result_.error.empty()) checkCombination();
        return result_;
    }

private:
    void fail(const std::string& message) {
        if (result_.error.empty()) result_.error = message;
    }

    // The value of an option that takes one: given after '=', or the next argument.
    std::optional<std::string> valueOf(const std::string& name,
                                       const std::optional<std::string>& given) {
        if (given) return given;
        if (next_ < args_.size()) return args_[next_++];
        fail("option " + name + " needs a value");
        return std::nullopt;
    }

    std::optional<std::uint64_t> numberOf(const std::string& name,
                                          const std::optional<std::string>& given,
                                          std::uint64_t min, std::uint64_t max) {
        const auto text = valueOf(name, given);
        if (!text) return std::nullopt;
        const auto value = parseNumber(*text, max);
        if (!value || *value < min) {
            fail("option " + name + " takes a whole number from " + std::to_string(min) + " to " +
                 std::to_string(max) + ", not \"" + PrintableName(*text) + "\"");
            return std::nullopt;
        }
        return value;
    }

    std::optional<long long> durationOf(const std::string& name,
                                        const std::optional<std::string>& given, bool signedValue,
                                        long long min) {
        const auto text = valueOf(name, given);
        if (!text) return std::nullopt;
        const auto value = parseDuration(*text, signedValue);
        if (!value || *value < min) {
            fail("option " + name + " takes " + (signedValue ? "a signed " : "a ") +
                 "number of seconds (or with m, h, d) up to 100 years" +
                 (min > 0 ? ", more than 0" : "") + ", not \"" + PrintableName(*text) + "\"");
            return std::nullopt;
        }
        return value;
    }

    std::optional<DeviceTime> timeOf(const std::string& name,
                                     const std::optional<std::string>& given) {
        const auto text = valueOf(name, given);
        if (!text) return std::nullopt;
        const auto value = ParseDeviceTime(*text);
        if (!value)
            fail("option " + name + " takes a time like 2024-03-01T06:00 (2024 to 2199), not \"" +
                 PrintableName(*text) + "\"");
        return value;
    }

    void takeOption(const std::string& arg) {
        std::string name = arg;
        std::optional<std::string> given;
        const auto equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            given = arg.substr(equals + 1);
        }
        if (takeFlag(name)) {
            if (given) fail("option " + name + " takes no value");
        } else if (!takeValueOption(name, given)) {
            fail("unknown option \"" + PrintableName(arg) + "\" (see --help)");
        }
    }

    bool takeFlag(const std::string& name) {
        SimOptions& o = result_.options;
        if (name == "--fast")
            o.fast = true;
        else if (name == "--no-zero")
            o.zeroEnd = false;
        else if (name == "--silent")
            o.silent = true;
        else if (name == "--reread")
            o.rereadReplyFile = true;
        else if (name == "--restamp")
            o.history = o.historyParameters.restampAll = true;
        else if (name == "--help" || name == "-h")
            o.help = true;
        else if (name == "--version")
            o.version = true;
        else
            return false;
        return true;
    }

    bool takeValueOption(const std::string& name, const std::optional<std::string>& given) {
        SimOptions& o = result_.options;
        if (name == "--baud") {
            if (const auto v = numberOf(name, given, 50, 4'000'000)) o.baud = static_cast<long>(*v);
        } else if (name == "--rows") {
            if (const auto v = numberOf(name, given, 0, kMaxCount)) o.rows = *v;
        } else if (name == "--random") {
            if (const auto v = numberOf(name, given, 0, kMaxCount)) o.randomBytes = *v;
        } else if (name == "--hangup-after") {
            if (const auto v = numberOf(name, given, 0, kMaxCount)) o.hangupAfter = *v;
        } else if (name == "--seed") {
            if (const auto v = numberOf(name, given, 0, std::numeric_limits<std::uint64_t>::max()))
                o.seed = *v;
        } else if (name == "--serial") {
            if (const auto v = valueOf(name, given)) o.serial = *v;
            if (!isSerialNumber(o.serial))
                fail("option --serial takes 1 to 20 letters, digits, '-', '.' or '/', not \"" +
                     PrintableName(o.serial) + "\"");
        } else if (!takeHistoryOption(name, given)) {
            return takeFileOption(name, given);
        }
        return true;
    }

    bool takeHistoryOption(const std::string& name, const std::optional<std::string>& given) {
        SimOptions& o = result_.options;
        DeviceHistory& h = o.historyParameters;
        if (name == "--log-start") {
            if (const auto v = timeOf(name, given)) h.loggingStart = *v;
        } else if (name == "--now") {
            if (const auto v = timeOf(name, given)) h.now = *v;
        } else if (name == "--clock-set-at") {
            if (const auto v = timeOf(name, given)) h.clockSetAt = *v;
            o.clockSetAtGiven = true;
        } else if (name == "--advance") {
            if (const auto v = durationOf(name, given, false, 0)) o.advance = *v;
        } else if (name == "--interval") {
            if (const auto v = durationOf(name, given, false, 1)) h.interval = *v;
        } else if (name == "--clock-shift") {
            if (const auto v = durationOf(name, given, true, -kMaxSeconds)) h.clockShift = *v;
        } else if (name == "--gap") {
            if (const auto v = numberOf(name, given, 0, kMaxCount)) o.gapRecords = *v;
        } else if (name == "--memory") {
            if (const auto v = numberOf(name, given, 1, kMaxCount)) h.memoryBytes = *v;
        } else {
            return false;
        }
        o.history = true;
        return true;
    }

    bool takeFileOption(const std::string& name, const std::optional<std::string>& given) {
        SimOptions& o = result_.options;
        if (name == "--reply-file") {
            if (const auto v = valueOf(name, given)) o.replyFile = *v;
            if (o.replyFile.empty()) fail("option --reply-file needs a file name");
        } else if (name == "--link") {
            if (const auto v = valueOf(name, given)) o.linkPath = *v;
            if (o.linkPath.empty()) fail("option --link needs a path");
        } else {
            return false;
        }
        return true;
    }

    void checkCombination() {
        const SimOptions& o = result_.options;
        if (o.randomBytes && !o.replyFile.empty())
            fail("--random and --reply-file cannot be used together");
        if (o.rereadReplyFile && o.replyFile.empty()) fail("--reread needs --reply-file");
        if (o.history && (o.randomBytes || !o.replyFile.empty() || o.rows))
            fail("the history options cannot be used with --random, --reply-file or --rows");
        if ((o.historyParameters.clockShift != 0) != o.clockSetAtGiven)
            fail("--clock-shift and --clock-set-at go together");
    }

    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
    ParsedOptions result_;
};

}  // namespace

ParsedOptions ParseSimOptions(const std::vector<std::string>& args) {
    return Parser(args).run();
}

std::string UsageText() {
    return "Usage: travik-sim [options]\n"
           "Plays a TravikP device on a pseudo-terminal. Prints the port's path as the first\n"
           "line on standard output, then answers until SIGTERM or SIGINT:\n"
           "  \"h\"  the alarm buffer, \"d\"  the data logger; other bytes are ignored.\n"
           "Replies are Windows-1252 text with CR LF line ends, ending with a 0 byte.\n"
           "A command that arrives during a reply starts the new reply at once; when the\n"
           "port is closed, the rest of a reply is dropped, as on a real line.\n"
           "\n"
           "Options:\n"
           "  --fast             send as fast as the port takes the bytes\n"
           "  --baud N           pace the bytes at N baud, 10 bits a byte (default 19200:\n"
           "                     about 0.52 ms a byte)\n"
           "  --rows N           rows in both replies (default " +
           std::to_string(kDefaultAlarmRows) + " alarm rows, about 15 kB, and " +
           std::to_string(kDefaultDataRows) +
           " data rows,\n"
           "                     about 9 kB: more than the program reads, as from a full memory)\n"
           "  --no-zero          end each reply with a gap instead of the 0 byte\n"
           "  --silent           never answer\n"
           "  --random N         answer with N random bytes of all 256 values, then the 0 byte\n"
           "  --hangup-after N   after N bytes of a reply, close the device side (the port\n"
           "                     sees a hang-up) and exit with status 0\n"
           "  --reply-file PATH  answer with the exact bytes of PATH (no 0 byte added)\n"
           "  --reread           read the --reply-file again at each command, so that it\n"
           "                     can be changed between readouts\n"
           "  --seed N           seed of the replies' values and random bytes (default 1)\n"
           "  --serial TEXT      the serial number in the first line (\"TravikP 2000 S/N TEXT\n"
           "                     V3.12\"): 1 to 20 letters, digits, '-', '.' or '/'\n"
           "\n"
           "A device with a history: its records are logged at fixed moments since a start\n"
           "and each keeps its values, the memory holds only the newest that fit (14490\n"
           "bytes of alarm buffer, 8770 of data logger, header lines included), numbered\n"
           "from 1 = the oldest held; so successive readouts overlap as a ring buffer's do.\n"
           "Times are TIME = YYYY-MM-DDThh:mm[:ss] on the device's clock; durations D are\n"
           "seconds or with a unit (15m, 6h, 2d). Any of these options turns it on:\n"
           "  --log-start TIME   when it began logging (default 2024-03-01T06:00)\n"
           "  --now TIME         the moment of the first readout (default 60 days later:\n"
           "                     both memories full)\n"
           "  --advance D        each further readout of a kind comes D later (default 0)\n"
           "  --interval D       the data logger's logging interval (default 15m); alarms\n"
           "                     come at most one in each 4 hours\n"
           "  --clock-shift D    the device's clock is set forward by D (back: -D) at\n"
           "  --clock-set-at TIME  this moment: records logged from then on carry\n"
           "                     shifted times, older ones keep theirs\n"
           "  --restamp          with --clock-shift: all records carry shifted times\n"
           "  --gap N            the second readout of a kind comes when the device has\n"
           "                     overwritten all the first held and N records more\n"
           "  --memory BYTES     the memory's size instead of what the program reads (more:\n"
           "                     the program's byte limit cuts the last row it reads)\n"
           "  --link PATH        also make a symbolic link PATH to the port (an existing\n"
           "                     link there is replaced; removed on exit)\n"
           "  --help             this text\n"
           "  --version          the version\n"
           "\n"
           "Exit status: 0 when stopped or after --hangup-after, 64 for a bad command line,\n"
           "1 when the port, the link or the reply file cannot be made or read.\n";
}

}  // namespace travik::sim
