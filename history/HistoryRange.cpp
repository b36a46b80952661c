#include "HistoryRange.h"

#include <algorithm>
#include <cstdio>

#include "HistoryTexts.h"
#include "ReadoutFile.h"

namespace travik::history {
namespace {

std::vector<StoredReadout> readoutsWithRecords(HistoryStore& store, DeviceId device,
                                               ReadoutKind kind) {
    std::vector<StoredReadout> found;
    for (StoredReadout& readout : store.readouts(device))
        if (readout.kind == kind && readout.firstTime && readout.lastTime)
            found.push_back(std::move(readout));
    return found;
}

bool overlaps(long long from, long long to, const TimeRange& range) {
    return to >= range.from && from <= range.to;
}

// The first three lines of the device's newest readout of `kind`, CR ended.
std::string headOf(const StoredReadout& newest) {
    std::string head;
    std::size_t start = 0;
    for (int line = 0; line < 3; ++line) {
        const std::size_t end = newest.deviceText.find('\r', start);
        if (end == std::string::npos) {
            head += newest.deviceText.substr(start);
            head += '\r';
            break;
        }
        head += newest.deviceText.substr(start, end - start + 1);
        start = end + 1;
    }
    return head;
}

std::vector<RangeMark> marksIn(HistoryStore& store, DeviceId device, ReadoutKind kind,
                               const TimeRange& range) {
    std::vector<RangeMark> marks;
    for (const TimeRange& gap : PossibleLosses(store.coverage(device, kind)))
        if (overlaps(gap.from, gap.to, range))
            marks.push_back(RangeMark{RangeMark::Type::PossibleLoss, gap.from, gap.to, 0, 0});
    for (const HistoryEvent& event : store.events(device, kind)) {
        const bool clock = event.type == EventType::ClockChange;
        // A clock change concerns the records at the times written under the
        // new clock and those held under the old one.
        const bool touches =
            overlaps(event.from, event.to, range) ||
            (clock && overlaps(event.from - event.offset, event.to - event.offset, range));
        if (!touches) continue;
        marks.push_back(RangeMark{clock ? RangeMark::Type::ClockChange : RangeMark::Type::Conflict,
                                  event.from, event.to, event.offset, event.count});
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](const RangeMark& a, const RangeMark& b) { return a.from < b.from; });
    return marks;
}

std::uint8_t rowMarkOf(long long time, int version, const std::vector<RangeMark>& marks) {
    // A later version is a conflict only when a conflict was recorded there:
    // records logged under a clock set back lie over held ones too.
    static_cast<void>(version);
    std::uint8_t bits = 0;
    for (const RangeMark& mark : marks) {
        switch (mark.type) {
            case RangeMark::Type::PossibleLoss:
                if (time == mark.from) bits |= kRowBeforeLoss;
                if (time == mark.to) bits |= kRowAfterLoss;
                break;
            case RangeMark::Type::ClockChange:
                if ((mark.from <= time && time <= mark.to) ||
                    (mark.from - mark.offset <= time && time <= mark.to - mark.offset))
                    bits |= kRowClockChange;
                break;
            case RangeMark::Type::Conflict:
                if (mark.from <= time && time <= mark.to) bits |= kRowConflict;
                break;
        }
    }
    return bits;
}

}  // namespace

std::optional<TimeRange> ResolveRange(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                      RangeChoice choice, TimeRange given) {
    if (choice == RangeChoice::FromTo) {
        if (given.from > given.to) return std::nullopt;
        return given;
    }
    const std::vector<StoredReadout> readouts = readoutsWithRecords(store, device, kind);
    if (readouts.empty()) return std::nullopt;
    TimeRange all{*readouts.front().firstTime, *readouts.front().lastTime};
    for (const StoredReadout& readout : readouts) {
        all.from = std::min(all.from, *readout.firstTime);
        all.to = std::max(all.to, *readout.lastTime);
    }
    switch (choice) {
        case RangeChoice::Everything:
            return all;
        case RangeChoice::Last30Days:
            return TimeRange{all.to - kThirtyDays, all.to};
        case RangeChoice::SinceLastVisit: {
            const StoredReadout& newest = readouts.back();
            if (readouts.size() == 1) return TimeRange{*newest.firstTime, *newest.lastTime};
            const StoredReadout& before = readouts[readouts.size() - 2];
            return TimeRange{std::min(*before.lastTime, *newest.lastTime), *newest.lastTime};
        }
        case RangeChoice::FromTo:
            break;
    }
    return given;
}

std::optional<HistoryRange> LoadRange(HistoryStore& store, DeviceId device, ReadoutKind kind,
                                      TimeRange range) {
    const std::optional<StoredReadout> head = NewestReadout(store, device, kind);
    if (!head) return std::nullopt;

    HistoryRange out;
    out.device = device;
    out.kind = kind;
    out.range = range;
    out.marks = marksIn(store, device, kind, range);
    const std::vector<RangeRow> rows = store.rows(device, kind, range.from, range.to);
    std::string text = headOf(*head);
    std::size_t bytes = text.size();
    for (const RangeRow& row : rows) bytes += row.row.size() + 1;
    text.reserve(bytes);
    out.rowTimes.reserve(rows.size());
    out.rowMarks.reserve(rows.size());
    for (const RangeRow& row : rows) {
        text += row.row;
        text += '\r';
        out.rowTimes.push_back(row.time);
        out.rowMarks.push_back(rowMarkOf(row.time, row.version, out.marks));
    }
    out.terminal = ReplayedTerminal(text, kind);
    for (StoredReadout& readout : readoutsWithRecords(store, device, kind))
        if (overlaps(*readout.firstTime, *readout.lastTime, range))
            out.readouts.push_back(std::move(readout));
    return out;
}

Table RangeTable(const HistoryRange& range) {
    return CutTable(range.terminal.bytes(), range.terminal.insertedTabs());
}

namespace {

struct RangeWords {
    const char* summary;   // from, to, records, readouts
    const char* loss;      // from, to
    const char* clock;     // offset, count, from, to
    const char* conflict;  // count, from, to
    const char* readout;   // time, source, new, held
    const char* utc;
};

const RangeWords kRangeWords[] = {
    {"Records of %s to %s: %zu from %zu readouts", "Possible loss from %s to %s",
     "Device clock set by %s (%lld records) from %s to %s", "Conflict: %lld records from %s to %s",
     "Read %s from %s: %zu new, %zu already held", " UTC"},
    {"Datensätze von %s bis %s: %zu aus %zu Auslesungen", "Möglicher Verlust von %s bis %s",
     "Geräteuhr um %s verstellt (%lld Datensätze) von %s bis %s",
     "Widerspruch: %lld Datensätze von %s bis %s",
     "Ausgelesen %s von %s: %zu neu, %zu schon gespeichert", " UTC"},
    {"Enregistrements du %s au %s : %zu de %zu lectures", "Perte possible du %s au %s",
     "Horloge de l'appareil décalée de %s (%lld enregistrements) du %s au %s",
     "Conflit : %lld enregistrements du %s au %s",
     "Lu le %s depuis %s : %zu nouveaux, %zu déjà gardés", " UTC"},
    {"Registros del %s al %s: %zu de %zu lecturas", "Posible pérdida del %s al %s",
     "Reloj del equipo cambiado en %s (%lld registros) del %s al %s",
     "Conflicto: %lld registros del %s al %s", "Leído el %s desde %s: %zu nuevos, %zu ya guardados",
     " UTC"},
};

const RangeWords& wordsFor(int languageIndex) {
    return kRangeWords[languageIndex >= 0 && languageIndex < 4 ? languageIndex : 0];
}

}  // namespace

std::string RangeSummaryText(const HistoryRange& range, int languageIndex) {
    return FormattedText(wordsFor(languageIndex).summary, DeviceTimeText(range.range.from).c_str(),
                         DeviceTimeText(range.range.to).c_str(), range.records(),
                         range.readouts.size());
}

std::string MarkText(const RangeMark& mark, int languageIndex) {
    const RangeWords& words = wordsFor(languageIndex);
    const std::string from = DeviceTimeText(mark.from);
    const std::string to = DeviceTimeText(mark.to);
    switch (mark.type) {
        case RangeMark::Type::PossibleLoss:
            return FormattedText(words.loss, from.c_str(), to.c_str());
        case RangeMark::Type::ClockChange:
            return FormattedText(words.clock, OffsetText(mark.offset).c_str(), mark.count,
                                 from.c_str(), to.c_str());
        case RangeMark::Type::Conflict:
            return FormattedText(words.conflict, mark.count, from.c_str(), to.c_str());
    }
    return std::string();
}

std::string ReadoutText(const StoredReadout& readout, int languageIndex) {
    const RangeWords& words = wordsFor(languageIndex);
    const std::string when = readout.readAtLocal ? DeviceTimeText(*readout.readAtLocal)
                                                 : DeviceTimeText(readout.readAtUtc) + words.utc;
    return FormattedText(words.readout, when.c_str(), readout.source.c_str(), readout.newRecords,
                         readout.heldRecords);
}

}  // namespace travik::history
