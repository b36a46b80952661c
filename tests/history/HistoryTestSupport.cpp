#include "HistoryTestSupport.h"

#include <limits>

#include "CellValues.h"
#include "Readout.h"

namespace travik::history::testing {

long long Since1970(sim::DeviceTime deviceTime) {
    return DaysFromCivil(2024, 1, 1) * 86400 + deviceTime;
}

IncomingReadout Received(const std::string& reply, ReadoutKind kind, long long readAtUtc) {
    IncomingReadout readout;
    readout.kind = kind;
    readout.source = "test";
    readout.readAtUtc = readAtUtc;
    ReadoutRules rules(readout.terminal, kind == ReadoutKind::AlarmBuffer);
    const std::string sent = reply + std::string(1, '\0');
    std::int32_t count = 0;
    bool more = true;
    for (std::size_t i = 0; more && i < sent.size(); ++i) {
        more = rules.take(static_cast<std::uint8_t>(sent[i]), count);
        ++count;
        if (count >= ReadoutLimit(kind) && more) {
            readout.endedComplete = false;
            more = false;
        }
    }
    return readout;
}

ReadoutKind KindOf(sim::HistoryKind kind) {
    return kind == sim::HistoryKind::Alarm ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
}

IncomingReadout ReadoutAt(sim::HistoryKind kind, const sim::DeviceHistory& history) {
    return Received(sim::HistoryReply(kind, history), KindOf(kind), Since1970(history.now));
}

std::set<long long> TimesHeld(sim::HistoryKind kind, const sim::DeviceHistory& history) {
    const sim::HistoryRecords held = sim::HistoryReplyRecords(kind, history);
    std::set<long long> times;
    for (std::size_t i = held.first; i < held.end; ++i)
        times.insert(Since1970(sim::RecordDeviceTime(kind, history, i)));
    return times;
}

std::set<std::pair<long long, std::string>> AllRecords(HistoryStore& store, DeviceId device,
                                                       ReadoutKind kind) {
    std::set<std::pair<long long, std::string>> all;
    for (HeldRecord& record :
         store.recordsBetween(device, kind, std::numeric_limits<long long>::min(),
                              std::numeric_limits<long long>::max()))
        all.emplace(record.time, std::move(record.content));
    return all;
}

}  // namespace travik::history::testing
