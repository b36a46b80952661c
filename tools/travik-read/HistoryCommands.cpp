#include "HistoryCommands.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "AtomicFile.h"
#include "CsvExport.h"
#include "DeviceLimits.h"
#include "ExitStatus.h"
#include "HistoryPath.h"
#include "HistoryTexts.h"
#include "LimitTexts.h"
#include "Merge.h"
#include "PrintableName.h"
#include "ReadoutFile.h"
#include "SqliteStore.h"

namespace travik::cli {
namespace {

using namespace travik::history;

constexpr int kEnglish = 0;

// The history file the options name, or the default one (its folder made).
std::string historyPath(const Options& options) {
    if (options.historyFile && !options.historyFile->empty()) return *options.historyFile;
    std::string path = DefaultHistoryPath();
    if (!path.empty()) MakeParentFolders(path);
    return path;
}

int reportProblem(const HistoryError& error) {
    std::fprintf(stderr, "%s\n", ProblemText(error.problem(), error.what(), kEnglish).c_str());
    return kHistoryFailed;
}

std::unique_ptr<SqliteStore> openHistory(const Options& options, bool mustExist) {
    const std::string path = historyPath(options);
    if (path.empty())
        throw HistoryError(Problem::CannotOpen, "no home folder to keep the history in");
    SqliteOptions sqlite;
    sqlite.mustExist = mustExist;
    sqlite.readOnly =
        options.action == Action::HistoryList || options.action == Action::HistoryExport;
    return std::make_unique<SqliteStore>(path, sqlite);
}

const char* kindName(ReadoutKind kind) {
    return kind == ReadoutKind::AlarmBuffer ? "alarm buffer" : "data logger";
}

// The device the user means, or nothing with the reason on standard error.
std::optional<DeviceInfo> deviceNamed(HistoryStore& store, const std::string& given) {
    std::size_t matches = 0;
    auto device = FindDevice(store.devices(), given, &matches);
    if (!device) {
        if (matches == 0)
            std::fprintf(stderr, "travik-read: no device in the history is '%s'\n",
                         PrintableName(given).c_str());
        else
            std::fprintf(stderr,
                         "travik-read: %zu devices in the history match '%s'; give more of "
                         "the first line, or a name\n",
                         matches, PrintableName(given).c_str());
    }
    return device;
}

std::string drift(const StoredReadout& readout) {
    if (!readout.deviceClock || !readout.readAtLocal) return std::string();
    return ", device clock " + DeviceTimeText(*readout.deviceClock) + " (" +
           OffsetText(*readout.deviceClock - *readout.readAtLocal) + ")";
}

std::string numberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// "below 2 or above 8, delay 3 points, deadband 0.5, from 01.03.2024 00:00:00"
std::string limitText(const ColumnLimit& limit) {
    std::string text;
    if (!limit.any()) text = "none";
    if (limit.lower) text = "below " + numberText(*limit.lower);
    if (limit.lower && limit.upper) text += " or ";
    if (limit.upper) text += "above " + numberText(*limit.upper);
    if (limit.delayPoints > 0) text += ", delay " + std::to_string(limit.delayPoints) + " points";
    if (limit.delaySeconds > 0) text += ", delay " + DurationText(limit.delaySeconds);
    if (limit.deadband > 0) text += ", deadband " + numberText(limit.deadband);
    text += limit.from == kSinceEver ? ", for all data" : ", from " + DeviceTimeText(limit.from);
    return text;
}

void listLimits(HistoryStore& store, const DeviceInfo& device) {
    for (const StoredLimit& stored : store.limits(device.id))
        std::printf("  limit %s: %s\n", PrintableName(TitleText(stored.column)).c_str(),
                    limitText(stored.limit).c_str());
}

void listKind(HistoryStore& store, const DeviceInfo& device, ReadoutKind kind) {
    const std::vector<Coverage> spans = store.coverage(device.id, kind);
    const std::size_t records = store.recordCount(device.id, kind);
    if (spans.empty() && records == 0) return;
    long long first = std::numeric_limits<long long>::max();
    long long last = std::numeric_limits<long long>::min();
    for (const Coverage& span : spans) {
        first = std::min(first, span.first);
        last = std::max(last, span.last);
    }
    std::printf("  %s: %zu records", kindName(kind), records);
    if (!spans.empty())
        std::printf(", %s - %s", DeviceTimeText(first).c_str(), DeviceTimeText(last).c_str());
    std::printf("\n");
    for (const TimeRange& gap : PossibleLosses(spans))
        std::printf("    possible loss: %s - %s\n", DeviceTimeText(gap.from).c_str(),
                    DeviceTimeText(gap.to).c_str());
    for (const HistoryEvent& event : store.events(device.id, kind)) {
        if (event.type == EventType::ClockChange)
            std::printf("    clock set by %s: %lld records, %s - %s\n",
                        OffsetText(event.offset).c_str(), event.count,
                        DeviceTimeText(event.from).c_str(), DeviceTimeText(event.to).c_str());
        else
            std::printf("    conflict: %lld records kept as second versions, %s - %s\n",
                        event.count, DeviceTimeText(event.from).c_str(),
                        DeviceTimeText(event.to).c_str());
    }
}

int listHistory(const Options& options) {
    const auto store = openHistory(options, true);
    const std::vector<StoredReadout> readouts = store->readouts(std::nullopt);
    for (const DeviceInfo& device : store->devices()) {
        std::printf("%s\n", PrintableName(DisplayName(device)).c_str());
        for (const std::string& line : device.firstLines)
            if (line != DisplayName(device))
                std::printf("  first line: %s\n", PrintableName(line).c_str());
        listKind(*store, device, ReadoutKind::AlarmBuffer);
        listKind(*store, device, ReadoutKind::DataLogger);
        listLimits(*store, device);
        for (const StoredReadout& readout : readouts) {
            if (readout.device != device.id) continue;
            std::printf("  readout %lld: %s, read %s%s, %zu new, %zu held, from %s\n", readout.id,
                        kindName(readout.kind),
                        DeviceTimeText(readout.readAtLocal.value_or(readout.readAtUtc)).c_str(),
                        drift(readout).c_str(), readout.newRecords, readout.heldRecords,
                        PrintableName(readout.source).c_str());
        }
    }
    return kReplyReceived;
}

Status writeExport(const Options& options, const TerminalText& text, bool alarm) {
    switch (options.separator) {
        case CsvSeparator::Tab:
            break;
        case CsvSeparator::Comma:
            return SaveCsvSeparated(*options.csvFile, text, alarm, ',');
        case CsvSeparator::Semicolon:
            return SaveCsvSeparated(*options.csvFile, text, alarm, ';');
    }
    return SaveCsvTabbed(*options.csvFile, text, alarm);
}

int saveExport(const Options& options, const TerminalText& text, ReadoutKind kind) {
    const Status saved = writeExport(options, text, kind == ReadoutKind::AlarmBuffer);
    if (saved.ok()) return kReplyReceived;
    std::fprintf(stderr, "%s.\n%s: %s\n", FileErrorText(saved).c_str(),
                 PrintableName(*options.csvFile).c_str(), saved.describe().c_str());
    return kFileFailed;
}

int exportReadout(const Options& options, HistoryStore& store) {
    const std::optional<StoredReadout> readout = store.readout(*options.readout);
    if (!readout) {
        std::fprintf(stderr, "travik-read: the history holds no readout %lld\n", *options.readout);
        return kUsageError;
    }
    return saveExport(options, TerminalOf(*readout), readout->kind);
}

int exportExcursions(const Options& options, HistoryStore& store, const DeviceInfo& device,
                     ReadoutKind kind) {
    const auto range =
        ExcursionsOfRange(store, device.id, kind, options.from.value_or(kSinceEver),
                          options.to.value_or(std::numeric_limits<long long>::max()));
    if (!range) {
        std::fprintf(stderr, "travik-read: the history holds no %s readout of %s\n", kindName(kind),
                     PrintableName(DisplayName(device)).c_str());
        return kUsageError;
    }
    if (range->columns.empty())
        std::fprintf(stderr, "travik-read: no column of the %s of %s has a limit\n", kindName(kind),
                     PrintableName(DisplayName(device)).c_str());
    const std::string lines = ExcursionLines(*range);
    if (!options.csvFile) {
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return kReplyReceived;
    }
    const Status saved = WriteFileAtomically(*options.csvFile, lines);
    if (saved.ok()) return kReplyReceived;
    std::fprintf(stderr, "%s.\n%s: %s\n", FileErrorText(saved).c_str(),
                 PrintableName(*options.csvFile).c_str(), saved.describe().c_str());
    return kFileFailed;
}

int exportRange(const Options& options, HistoryStore& store) {
    const auto device = deviceNamed(store, options.device);
    if (!device) return kUsageError;
    std::optional<ReadoutKind> kind = options.exportKind;
    if (!kind) {
        bool alarm = false;
        bool data = false;
        for (const StoredReadout& readout : store.readouts(device->id))
            (readout.kind == ReadoutKind::AlarmBuffer ? alarm : data) = true;
        if (alarm && data) {
            std::fprintf(stderr, "travik-read: the history holds both kinds of %s; give --kind\n",
                         PrintableName(DisplayName(*device)).c_str());
            return kUsageError;
        }
        kind = alarm ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
    }
    if (options.excursions) return exportExcursions(options, store, *device, *kind);
    const auto text = RangeDeviceText(store, device->id, *kind,
                                      options.from.value_or(std::numeric_limits<long long>::min()),
                                      options.to.value_or(std::numeric_limits<long long>::max()));
    if (!text) {
        std::fprintf(stderr, "travik-read: the history holds no %s readout of %s\n",
                     kindName(*kind), PrintableName(DisplayName(*device)).c_str());
        return kUsageError;
    }
    return saveExport(options, ReplayedTerminal(*text, *kind), *kind);
}

int nameDevice(const Options& options, HistoryStore& store) {
    const auto device = deviceNamed(store, options.device);
    if (!device) return kUsageError;
    for (const DeviceInfo& other : store.devices()) {
        if (other.id != device->id && !options.name.empty() && other.name == options.name) {
            std::fprintf(stderr, "travik-read: another device is named '%s'\n",
                         PrintableName(options.name).c_str());
            return kUsageError;
        }
    }
    Transaction naming(store);
    store.setDeviceName(device->id, options.name);
    naming.commit();
    return kReplyReceived;
}

int joinDevices(const Options& options, HistoryStore& store) {
    const auto from = deviceNamed(store, options.device);
    if (!from) return kUsageError;
    const auto into = deviceNamed(store, options.into);
    if (!into) return kUsageError;
    if (from->id == into->id) {
        std::fprintf(stderr, "travik-read: --device and --into are the same device\n");
        return kUsageError;
    }
    Transaction joining(store);
    store.joinDevice(from->id, into->id);
    joining.commit();
    std::fprintf(stderr, "%s joined to %s\n", PrintableName(DisplayName(*from)).c_str(),
                 PrintableName(DisplayName(*into)).c_str());
    return kReplyReceived;
}

// The column titles of the device's newest readout of each kind.
std::vector<std::string> columnTitles(HistoryStore& store, DeviceId device) {
    std::optional<ReadoutId> newest[2];
    for (const StoredReadout& readout : store.readouts(device))
        newest[readout.kind == ReadoutKind::AlarmBuffer ? 0 : 1] = readout.id;
    std::vector<std::string> titles;
    for (const auto& id : newest) {
        if (!id) continue;
        const auto readout = store.readout(*id);
        if (!readout) continue;
        const TerminalText terminal = TerminalOf(*readout);
        for (const std::string& title : CutTable(terminal.bytes(), terminal.insertedTabs()).titles)
            if (!title.empty()) titles.push_back(title);
    }
    return titles;
}

int setLimit(const Options& options, HistoryStore& store) {
    const auto device = deviceNamed(store, options.device);
    if (!device) return kUsageError;
    const std::vector<std::string> titles = columnTitles(store, device->id);
    std::size_t matches = 0;
    const auto column = FindColumn(titles, options.column, &matches);
    if (!column) {
        std::string known;
        for (const std::string& title : titles)
            known += (known.empty() ? "" : ", ") + TitleText(title);
        std::fprintf(stderr, "travik-read: %s column of %s is '%s'; its columns: %s\n",
                     matches == 0 ? "no" : "more than one",
                     PrintableName(DisplayName(*device)).c_str(),
                     PrintableName(options.column).c_str(), PrintableName(known).c_str());
        return kUsageError;
    }
    StoredLimit stored;
    stored.column = *column;
    if (!options.removeLimit) {
        const LimitReading reading =
            ReadLimit(LimitInput{options.lower, options.upper, options.delay, options.deadband});
        if (reading.problem != LimitProblem::None) {
            std::fprintf(
                stderr, "travik-read: %s\n",
                PrintableName(LimitProblemText(reading.problem, reading.field, kEnglish)).c_str());
            return kUsageError;
        }
        stored.limit = reading.limit;
    }
    const ClockReading clock = ComputerClockNow();
    stored.setAtUtc = clock.utc;
    const std::vector<StoredLimit> held = store.limits(device->id);
    stored.limit.from =
        options.from.value_or(DefaultLimitStart(held, *column, clock.local.value_or(clock.utc)));
    Transaction setting(store);
    store.setLimit(device->id, stored);
    setting.commit();
    std::fprintf(stderr, "limit of %s on %s: %s\n", PrintableName(TitleText(*column)).c_str(),
                 PrintableName(DisplayName(*device)).c_str(), limitText(stored.limit).c_str());
    return kReplyReceived;
}

}  // namespace

int MergeIntoHistory(const Options& options, const ReadoutState& state, const ReadoutResult& result,
                     const std::string& source) {
    try {
        const auto store = openHistory(options, false);
        IncomingReadout readout;
        readout.kind = options.kind;
        readout.terminal = state.terminal;
        readout.endedComplete =
            result.end == ReadoutEnd::Complete && result.count < ReadoutLimit(options.kind);
        readout.source = source;
        const ClockReading clock = ComputerClockNow();
        readout.readAtUtc = clock.utc;
        readout.readAtLocal = clock.local;
        const MergeOutcome outcome = MergeReadout(*store, readout);
        std::fprintf(stderr, "%s\n", PrintableName(OutcomeText(outcome, kEnglish)).c_str());
        return kReplyReceived;
    } catch (const HistoryError& error) {
        return reportProblem(error);
    }
}

int RunHistoryCommand(const Options& options) {
    try {
        if (options.action == Action::HistoryList) return listHistory(options);
        const auto store = openHistory(options, true);
        switch (options.action) {
            case Action::HistoryExport:
                return options.readout ? exportReadout(options, *store)
                                       : exportRange(options, *store);
            case Action::HistoryName:
                return nameDevice(options, *store);
            case Action::HistoryJoin:
                return joinDevices(options, *store);
            case Action::HistoryLimit:
                return setLimit(options, *store);
            default:
                return kUsageError;
        }
    } catch (const HistoryError& error) {
        return reportProblem(error);
    }
}

}  // namespace travik::cli
