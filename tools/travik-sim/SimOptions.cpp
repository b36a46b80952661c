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
        } else if (name == "--reply-file") {
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
           "  --link PATH        also make a symbolic link PATH to the port (an existing\n"
           "                     link there is replaced; removed on exit)\n"
           "  --help             this text\n"
           "  --version          the version\n"
           "\n"
           "Exit status: 0 when stopped or after --hangup-after, 64 for a bad command line,\n"
           "1 when the port, the link or the reply file cannot be made or read.\n";
}

}  // namespace travik::sim
