#include "Merge.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "RecordRule.h"

namespace travik::history {
namespace {

// A content held at more times than this tells nothing of a clock change: the
// device writes it again and again.
constexpr std::size_t kMostTimesPerContent = 64;

using RecordKey = std::pair<long long, std::string>;

// A row written twice in one readout is one record.
std::vector<const CutRecord*> distinctRecords(const std::vector<CutRecord>& records) {
    std::set<RecordKey> seen;
    std::vector<const CutRecord*> distinct;
    for (const CutRecord& record : records)
        if (seen.emplace(record.time, record.content).second) distinct.push_back(&record);
    return distinct;
}

DeviceId deviceFor(HistoryStore& store, const std::string& firstLine,
                   std::optional<DeviceId> joinTo) {
    const std::optional<DeviceId> known = store.deviceOfLine(firstLine);
    if (!joinTo) return known ? *known : store.addDevice(firstLine);
    if (known && *known != *joinTo) {
        store.joinDevice(*known, *joinTo);
    } else if (!known) {
        store.addDeviceLine(*joinTo, firstLine);
    }
    return *joinTo;
}

struct ClockShift {
    long long offset = 0;
    std::set<std::size_t> explained;  // indices into the unmatched records
};

bool insideAny(const std::vector<Coverage>& spans, long long time) {
    return std::any_of(spans.begin(), spans.end(), [&](const Coverage& span) {
        return span.first <= time && time <= span.last;
    });
}

// The one offset that explains the most unmatched records as held ones
// written under another clock, when it explains enough of them (see Merge.h).
// A held original that this readout has too explains nothing: the device
// wrote that content again (a repeating signal), it did not move.
std::optional<ClockShift> findClockShift(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                         const std::vector<const CutRecord*>& records,
                                         const std::vector<const CutRecord*>& unmatched) {
    std::set<RecordKey> inReadout;
    for (const CutRecord* record : records) inReadout.emplace(record->time, record->content);
    std::map<long long, std::set<std::size_t>> byOffset;
    std::map<std::string, std::vector<long long>> timesOf;
    for (std::size_t i = 0; i < unmatched.size(); ++i) {
        const CutRecord& record = *unmatched[i];
        auto found = timesOf.find(record.content);
        if (found == timesOf.end())
            found = timesOf
                        .emplace(record.content, store.timesOfContent(device, kind, record.content,
                                                                      kMostTimesPerContent + 1))
                        .first;
        if (found->second.size() > kMostTimesPerContent) continue;
        for (const long long held : found->second)
            if (held != record.time && inReadout.count({held, record.content}) == 0)
                byOffset[record.time - held].insert(i);
    }
    std::vector<ClockShift> candidates;
    for (auto& [offset, explained] : byOffset)
        if (explained.size() >= 2) candidates.push_back(ClockShift{offset, explained});
    std::sort(candidates.begin(), candidates.end(), [](const ClockShift& a, const ClockShift& b) {
        return a.explained.size() != b.explained.size()
                   ? a.explained.size() > b.explained.size()
                   : std::llabs(a.offset) < std::llabs(b.offset);
    });
    const std::vector<Coverage> spans = store.coverage(device, kind);
    const std::size_t heldAtOwnTime = records.size() - unmatched.size();
    std::set<long long> knownOffsets;
    for (const HistoryEvent& event : store.events(device, kind))
        if (event.type == EventType::ClockChange) knownOffsets.insert(event.offset);
    for (ClockShift& candidate : candidates) {
        std::set<std::string> contents;
        for (const std::size_t i : candidate.explained) contents.insert(unmatched[i]->content);
        if (contents.size() < 2) continue;
        // Nearly all records not held at their own time that the held readouts
        // could hold under this offset must be found again.
        const auto couldBeHeld = static_cast<std::size_t>(
            std::count_if(unmatched.begin(), unmatched.end(), [&](const CutRecord* record) {
                return insideAny(spans, record->time - candidate.offset);
            }));
        if (candidate.explained.size() * 10 < couldBeHeld * 9) continue;
        // A clock that moved leaves few records at their own time: many there
        // say the device repeats itself, unless the history already knows this
        // offset (the same readout merged again).
        if (heldAtOwnTime * 10 <= candidate.explained.size() ||
            knownOffsets.count(candidate.offset) != 0)
            return std::move(candidate);
    }
    return std::nullopt;
}

// The device's clock set back while it logged: in the order the device wrote
// its records, one is earlier than the one before. The records from there on
// carry the new clock's times, which may fall on times that already hold
// other records: those are kept beside them as later versions, explained by
// the clock change, not conflicts.
struct StepBack {
    long long offset = 0;  // how far the clock went back (negative)
    long long from = 0;    // the device times of the records after the step
    long long to = 0;
    std::set<RecordKey> after;
};

std::optional<StepBack> findStepBack(const std::vector<CutRecord>& records, long long spacing) {
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].time >= records[i - 1].time) continue;
        StepBack step;
        step.offset = records[i].time - records[i - 1].time - spacing;
        step.from = step.to = records[i].time;
        for (std::size_t j = i; j < records.size(); ++j) {
            step.from = std::min(step.from, records[j].time);
            step.to = std::max(step.to, records[j].time);
            step.after.emplace(records[j].time, records[j].content);
        }
        return step;
    }
    return std::nullopt;
}

std::vector<TimeRange> gapsBeside(const std::vector<TimeRange>& gaps, long long first,
                                  long long last) {
    std::vector<TimeRange> beside;
    for (const TimeRange& gap : gaps)
        if (gap.to == first || gap.from == last) beside.push_back(gap);
    return beside;
}

long long spacingOf(HistoryStore& store, DeviceId device, ReadoutKind kind,
                    const std::vector<const CutRecord*>& records) {
    std::vector<long long> times;
    times.reserve(records.size());
    for (const CutRecord* record : records) times.push_back(record->time);
    const long long own = UsualSpacing(std::move(times));
    if (own > 0) return own;
    long long widest = 0;
    for (const Coverage& span : store.coverage(device, kind))
        widest = std::max(widest, span.spacing);
    return widest;
}

std::string deviceTextOf(const TerminalText& terminal) {
    std::string text;
    text.reserve(terminal.size());
    const std::string& bytes = terminal.bytes();
    const std::vector<std::size_t>& inserted = terminal.insertedTabs();
    std::size_t next = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (next < inserted.size() && inserted[next] == i) {
            ++next;
            continue;
        }
        text += bytes[i];
    }
    return text;
}

// A readout merged again finds the same clock change: it is told once.
void addEventOnce(HistoryStore& store, const HistoryEvent& event) {
    for (const HistoryEvent& held : store.events(event.device, event.kind))
        if (held.type == event.type && held.from == event.from && held.to == event.to &&
            held.offset == event.offset && held.count == event.count)
            return;
    store.addEvent(event);
}

}  // namespace

MergeOutcome MergeReadout(HistoryStore& store, const IncomingReadout& incoming,
                          std::optional<DeviceId> joinTo) {
    StoredReadout stored;
    stored.kind = incoming.kind;
    stored.deviceText = deviceTextOf(incoming.terminal);
    stored.insertedTabs = incoming.terminal.insertedTabs();
    stored.source = incoming.source;
    stored.readAtUtc = incoming.readAtUtc;
    stored.readAtLocal = incoming.readAtLocal;
    const CutReadout cut = CutRecords(stored.deviceText, incoming.kind, incoming.endedComplete);
    stored.firstLine = cut.firstLine;
    stored.deviceClock = cut.deviceClock;

    MergeOutcome outcome;
    outcome.kind = incoming.kind;
    outcome.lastRowCut = cut.lastRowCut;
    outcome.rowsWithoutTime = cut.rowsWithoutTime;
    // A readout cut off before its first line ended names no device.
    if (cut.firstLine.empty() || stored.deviceText.find('\r') == std::string::npos) {
        outcome.merged = false;
        return outcome;
    }

    Transaction transaction(store);
    const DeviceId device = deviceFor(store, cut.firstLine, joinTo);
    stored.device = device;
    outcome.device = device;

    const std::vector<const CutRecord*> records = distinctRecords(cut.records);
    std::map<long long, std::set<std::string>> heldAt;
    std::map<long long, std::set<std::string>> readoutAt;
    if (!records.empty()) {
        long long lowest = records.front()->time;
        long long highest = lowest;
        for (const CutRecord* record : records) {
            lowest = std::min(lowest, record->time);
            highest = std::max(highest, record->time);
            readoutAt[record->time].insert(record->content);
        }
        for (HeldRecord& held : store.recordsBetween(device, incoming.kind, lowest, highest))
            heldAt[held.time].insert(std::move(held.content));
    }

    std::vector<const CutRecord*> unmatched;
    std::vector<long long> spanTimes;
    for (const CutRecord* record : records) {
        const auto held = heldAt.find(record->time);
        if (held != heldAt.end() && held->second.count(record->content) != 0) {
            ++outcome.heldRecords;
            spanTimes.push_back(record->time);
        } else {
            unmatched.push_back(record);
        }
    }

    const std::optional<ClockShift> shift =
        findClockShift(store, device, incoming.kind, records, unmatched);
    stored.spacing = spacingOf(store, device, incoming.kind, records);
    const std::optional<StepBack> stepBack = findStepBack(cut.records, stored.spacing);
    std::vector<NewRecord> added;
    std::map<long long, int> conflictsAt;
    long long conflictFrom = 0;
    long long conflictTo = 0;
    long long shiftedFrom = 0;
    long long shiftedTo = 0;
    for (std::size_t i = 0; i < unmatched.size(); ++i) {
        const CutRecord& record = *unmatched[i];
        if (shift && shift->explained.count(i) != 0) {
            if (outcome.shifted == 0) shiftedFrom = shiftedTo = record.time;
            shiftedFrom = std::min(shiftedFrom, record.time);
            shiftedTo = std::max(shiftedTo, record.time);
            ++outcome.shifted;
            spanTimes.push_back(record.time - shift->offset);
            continue;
        }
        spanTimes.push_back(record.time);
        NewRecord fresh{record.time, record.content, 1, record.rowStart, record.rowLength};
        const auto held = heldAt.find(record.time);
        const bool replaced =
            held != heldAt.end() &&
            std::none_of(held->second.begin(), held->second.end(), [&](const std::string& content) {
                return readoutAt[record.time].count(content) != 0;
            });
        // Records logged under a changed clock may fall on held times: the
        // held record there is in this readout under the shifted time.
        const bool shiftedOver =
            replaced && shift &&
            std::any_of(held->second.begin(), held->second.end(), [&](const std::string& content) {
                const auto there = readoutAt.find(record.time + shift->offset);
                return there != readoutAt.end() && there->second.count(content) != 0;
            });
        const bool layered =
            shiftedOver || (stepBack && stepBack->after.count({record.time, record.content}) != 0);
        if (replaced && layered) {
            fresh.version = static_cast<int>(held->second.size()) + ++conflictsAt[record.time];
        } else if (replaced) {
            fresh.version = static_cast<int>(held->second.size()) + ++conflictsAt[record.time];
            if (outcome.conflicts == 0) conflictFrom = conflictTo = record.time;
            conflictFrom = std::min(conflictFrom, record.time);
            conflictTo = std::max(conflictTo, record.time);
            ++outcome.conflicts;
        }
        added.push_back(std::move(fresh));
    }
    outcome.newRecords = added.size();
    outcome.clockOffset = shift ? shift->offset : 0;
    // A step back already reported when its records were new is not reported again.
    const bool newStepBack =
        stepBack && std::any_of(added.begin(), added.end(), [&](const NewRecord& record) {
            return stepBack->after.count({record.time, record.content}) != 0;
        });
    if (newStepBack && !shift) outcome.clockOffset = stepBack->offset;

    if (!spanTimes.empty()) {
        stored.firstTime = *std::min_element(spanTimes.begin(), spanTimes.end());
        stored.lastTime = *std::max_element(spanTimes.begin(), spanTimes.end());
    }
    stored.clockOffset = outcome.clockOffset;
    stored.newRecords = outcome.newRecords;
    stored.heldRecords = outcome.heldRecords + outcome.shifted;
    const ReadoutId readout = store.addReadout(stored);
    outcome.readout = readout;
    store.addRecords(readout, device, incoming.kind, added);
    if (shift)
        addEventOnce(store, HistoryEvent{device, incoming.kind, EventType::ClockChange, shiftedFrom,
                                         shiftedTo, shift->offset,
                                         static_cast<long long>(outcome.shifted), readout});
    if (newStepBack && !shift)
        store.addEvent(HistoryEvent{device, incoming.kind, EventType::ClockChange, stepBack->from,
                                    stepBack->to, stepBack->offset,
                                    static_cast<long long>(stepBack->after.size()), readout});
    if (outcome.conflicts > 0)
        store.addEvent(HistoryEvent{device, incoming.kind, EventType::Conflict, conflictFrom,
                                    conflictTo, 0, static_cast<long long>(outcome.conflicts),
                                    readout});
    if (stored.firstTime)
        outcome.gaps = gapsBeside(PossibleLosses(store.coverage(device, incoming.kind)),
                                  *stored.firstTime, *stored.lastTime);

    for (const DeviceInfo& info : store.devices())
        if (info.id == device) outcome.deviceName = DisplayName(info);
    transaction.commit();
    return outcome;
}

std::vector<TimeRange> PossibleLosses(std::vector<Coverage> spans) {
    std::vector<TimeRange> gaps;
    if (spans.empty()) return gaps;
    std::sort(spans.begin(), spans.end(), [](const Coverage& a, const Coverage& b) {
        return a.first != b.first ? a.first < b.first : a.last < b.last;
    });
    long long end = spans.front().last;
    long long endSpacing = spans.front().spacing;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        const Coverage& next = spans[i];
        if (next.first > end + std::max(endSpacing, next.spacing))
            gaps.push_back(TimeRange{end, next.first});
        if (next.last >= end) {
            endSpacing = next.last == end ? std::max(endSpacing, next.spacing) : next.spacing;
            end = next.last;
        }
    }
    return gaps;
}

std::optional<DeviceInfo> FindDevice(const std::vector<DeviceInfo>& devices,
                                     const std::string& given, std::size_t* matches) {
    if (matches) *matches = 0;
    if (given.empty()) return std::nullopt;
    for (const DeviceInfo& device : devices) {
        if (device.name == given) {
            if (matches) *matches = 1;
            return device;
        }
    }
    std::optional<DeviceInfo> found;
    std::size_t count = 0;
    for (const DeviceInfo& device : devices) {
        const bool hasPart = std::any_of(
            device.firstLines.begin(), device.firstLines.end(),
            [&](const std::string& line) { return line.find(given) != std::string::npos; });
        if (hasPart) {
            ++count;
            found = device;
        }
    }
    if (matches) *matches = count;
    if (count != 1) return std::nullopt;
    return found;
}

std::string DisplayName(const DeviceInfo& device) {
    if (!device.name.empty()) return device.name;
    return device.firstLines.empty() ? std::string() : device.firstLines.back();
}

TerminalText TerminalOf(const StoredReadout& readout) {
    TerminalText terminal;
    std::size_t next = 0;
    const std::vector<std::size_t>& inserted = readout.insertedTabs;
    for (const char byte : readout.deviceText) {
        while (next < inserted.size() && inserted[next] == terminal.size()) {
            terminal.appendInsertedTab();
            ++next;
        }
        terminal.append(byte);
    }
    while (next < inserted.size() && inserted[next] == terminal.size()) {
        terminal.appendInsertedTab();
        ++next;
    }
    return terminal;
}

std::optional<StoredReadout> NewestReadout(HistoryStore& store, DeviceId device, ReadoutKind kind) {
    std::optional<ReadoutId> newest;
    for (const StoredReadout& readout : store.readouts(device))
        if (readout.kind == kind) newest = readout.id;
    if (!newest) return std::nullopt;
    return store.readout(*newest);
}

std::optional<std::string> RangeDeviceText(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                           long long from, long long to) {
    const std::optional<StoredReadout> head = NewestReadout(store, device, kind);
    if (!head) return std::nullopt;
    std::string text;
    std::size_t start = 0;
    for (int line = 0; line < 3; ++line) {
        const std::size_t end = head->deviceText.find('\r', start);
        text += head->deviceText.substr(start, end == std::string::npos ? end : end - start);
        text += '\r';
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (const RangeRow& row : store.rows(device, kind, from, to)) {
        text += row.row;
        text += '\r';
    }
    return text;
}

}  // namespace travik::history
