// Sends one command byte to a serial port and saves the reply: the serial link
// checked end to end, on Windows (under Wine) and on Linux against the same
// simulated device, so that both replies can be compared byte for byte.
//
//   serial_reply_client PORT                  only open the port
//   serial_reply_client PORT COMMAND OUTFILE  send COMMAND's first byte, save the reply
//   serial_reply_client PORT COMMAND OUTFILE QUEUESIZE
//       the same with that queue size, going on after a failed set-up step as
//       the readout does (a queue size of 0 fails the "Buffer" step)
//
// The reply is read with ReadComByte until a 0 byte (not saved), an empty read
// (the line fell silent), a lost connection, or kMaxReply bytes.
// Exit status: 0 opened / reply ended with a 0 byte; 1 reply ended otherwise;
// 2 the port did not open; 3 usage or output file error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "WinCOmmUnit.h"

namespace {

constexpr std::size_t kMaxReply = 1 << 20;

enum class ReplyEnd { ZeroByte, Gap, Lost, Limit };

const char* Describe(ReplyEnd end) {
    switch (end) {
        case ReplyEnd::ZeroByte:
            return "zero byte";
        case ReplyEnd::Gap:
            return "gap";
        case ReplyEnd::Lost:
            return "lost connection";
        case ReplyEnd::Limit:
            return "limit";
    }
    return "";
}

struct Reply {
    std::string bytes;
    ReplyEnd end = ReplyEnd::Limit;
    long long lastReadMs = 0;  // how long the read that ended the reply took
};

Reply ReceiveReply(travik::SerialHandle& port) {
    Reply reply;
    while (reply.bytes.size() < kMaxReply) {
        const auto start = std::chrono::steady_clock::now();
        const std::uint8_t byte = port.ReadComByte();
        reply.lastReadMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        switch (port.lastStatus()) {
            case travik::ReadStatus::Byte:
                if (byte == 0) {
                    reply.end = ReplyEnd::ZeroByte;
                    return reply;
                }
                reply.bytes.push_back(static_cast<char>(byte));
                break;
            case travik::ReadStatus::Timeout:
                reply.end = ReplyEnd::Gap;
                return reply;
            case travik::ReadStatus::Lost:
                reply.end = ReplyEnd::Lost;
                return reply;
        }
    }
    reply.end = ReplyEnd::Limit;
    return reply;
}

bool SaveBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s PORT [COMMAND OUTFILE [QUEUESIZE]]\n", argv[0]);
        return 3;
    }
    const bool goOnAfterSetUp = argc == 5;
    const std::int32_t queueSize =
        goOnAfterSetUp ? static_cast<std::int32_t>(std::atol(argv[4])) : travik::kQueueSize;
    travik::SerialHandle port;
    const travik::OpenStatus opened =
        travik::OpenComPort(port, argv[1], travik::kDeviceBaud, queueSize, nullptr);
    if (!opened.ok()) {
        std::printf("open: %s\n", travik::OpenResultMessage(opened.result));
        if (!goOnAfterSetUp || !port.isOpen()) return 2;
    } else {
        std::printf("open: ok\n");
    }
    if (argc == 2) return 0;

    const std::string command = argv[2];
    if (command.empty() || !port.WriteComByte(static_cast<std::uint8_t>(command[0]))) {
        std::printf("write: failed\n");
        return 1;
    }
    const Reply reply = ReceiveReply(port);
    std::printf("reply: %zu bytes, ended by %s, last read %lld ms\n", reply.bytes.size(),
                Describe(reply.end), reply.lastReadMs);
    if (!SaveBytes(argv[3], reply.bytes)) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 3;
    }
    return reply.end == ReplyEnd::ZeroByte ? 0 : 1;
}
