#include "ReadoutFile.h"

#include <vector>

#include "CsvExport.h"

namespace travik {
namespace {

constexpr char kTab = '\t';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kQuote = '"';
// Bytes below 32 other than TAB, CR and LF: a readout has next to none, a
// picture or a program many.
constexpr std::size_t kControlShare = 32;  // at most one byte in 32
// The header rule looks at the first 100 bytes received; with a few TABs of
// its own they reach a little further into the terminal text.
constexpr std::size_t kHeaderRegion = 120;
constexpr std::size_t kAlarmFields = 5;
constexpr std::size_t kDataFields = 3;

bool isControl(unsigned char c) {
    return c < 32 && c != kTab && c != kCr && c != kLf;
}

bool looksBinary(std::string_view bytes) {
    std::size_t controls = 0;
    for (const char c : bytes) {
        if (c == '\0') return true;
        if (isControl(static_cast<unsigned char>(c))) ++controls;
    }
    return controls * kControlShare > bytes.size();
}

// Every line end (CR LF, a lone CR, a lone LF) as the terminal's CR.
std::string withCrLineEnds(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == kCr && i + 1 < bytes.size() && bytes[i + 1] == kLf) continue;
        out += c == kLf ? kCr : c;
    }
    return out;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kCr, start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

// The fields of one line of the separated export: a field holding the
// separator or a quote is quoted, its quotes doubled. Nothing when the line
// cannot have been written so.
std::optional<std::vector<std::string>> separatedFields(std::string_view line, char separator) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (true) {
        std::string field;
        if (at < line.size() && line[at] == kQuote) {
            ++at;
            while (true) {
                if (at >= line.size()) return std::nullopt;  // no closing quote
                if (line[at] == kQuote) {
                    if (at + 1 < line.size() && line[at + 1] == kQuote) {
                        field += kQuote;
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            if (at < line.size() && line[at] != separator) return std::nullopt;
        } else {
            const std::size_t end = line.find(separator, at);
            field = std::string(line.substr(at, end == std::string_view::npos ? end : end - at));
            if (field.find(kQuote) != std::string::npos) return std::nullopt;
            at = end == std::string_view::npos ? line.size() : end;
        }
        fields.push_back(std::move(field));
        if (at >= line.size()) break;
        ++at;  // the separator
    }
    return fields;
}

std::string joinedByTabs(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += kTab;
        line += fields[i];
    }
    return line;
}

// The device text of a separated file, when every line from the third on has
// the same five (alarm buffer) or three (data logger) fields.
std::optional<SavedReadout> asSeparated(const std::string& text, char separator) {
    const std::vector<std::string_view> lines = linesOf(text);
    if (lines.size() < 3) return std::nullopt;
    std::size_t fieldCount = 0;
    std::string device;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // The first two lines are written whole, each TAB a separator, quoted alike.
        const auto fields = separatedFields(lines[i], separator);
        if (!fields) return std::nullopt;
        if (i >= 2) {
            if (fieldCount == 0) fieldCount = fields->size();
            if (fields->size() != fieldCount) return std::nullopt;
        }
        device += joinedByTabs(*fields);
        if (i + 1 < lines.size() || text.back() == kCr) device += kCr;
    }
    if (fieldCount != kAlarmFields && fieldCount != kDataFields) return std::nullopt;
    SavedReadout readout;
    readout.fileKind = SavedFileKind::SeparatedCsv;
    readout.separator = separator;
    readout.kind = fieldCount == kAlarmFields ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
    readout.deviceText = std::move(device);
    return readout;
}

// The terminal text without the TABs an alarm readout's header rule would
// have put in: one of two TABs before "t", and before the first such "I".
std::string withoutHeaderTabs(const std::string& terminal) {
    std::string out;
    out.reserve(terminal.size());
    bool firstI = true;
    for (std::size_t i = 0; i < terminal.size(); ++i) {
        const bool doubled = i < kHeaderRegion && i + 2 < terminal.size() && terminal[i] == kTab &&
                             terminal[i + 1] == kTab;
        const char next = doubled ? terminal[i + 2] : '\0';
        if (doubled && (next == 't' || (next == 'I' && firstI))) {
            if (next == 'I') firstI = false;
            continue;
        }
        out += terminal[i];
    }
    return out;
}

// travik-read's output: the terminal text itself. An alarm buffer shows the
// header rule's TABs; a data logger shows none where an alarm buffer would.
SavedReadout asTextOutput(std::string terminal) {
    SavedReadout readout;
    readout.fileKind = SavedFileKind::TextOutput;
    const std::string device = withoutHeaderTabs(terminal);
    if (device != terminal &&
        ReplayedTerminal(device, ReadoutKind::AlarmBuffer).bytes() == terminal) {
        readout.kind = ReadoutKind::AlarmBuffer;
        readout.deviceText = device;
        return readout;
    }
    if (ReplayedTerminal(terminal, ReadoutKind::AlarmBuffer).bytes() != terminal)
        readout.kind = ReadoutKind::DataLogger;
    readout.deviceText = std::move(terminal);
    return readout;
}

TerminalText plainTerminal(const std::string& text) {
    TerminalText terminal;
    for (const char c : text) terminal.append(c);
    return terminal;
}

bool isBlankText(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

}  // namespace

std::optional<SavedReadout> ReadSavedReadout(std::string_view bytes) {
    if (isBlankText(bytes) || looksBinary(bytes)) return std::nullopt;
    const bool hasCr = bytes.find(kCr) != std::string_view::npos;
    const bool hasLf = bytes.find(kLf) != std::string_view::npos;
    std::string text = withCrLineEnds(bytes);
    if (hasLf && !hasCr) return asTextOutput(std::move(text));
    if (text.find(kTab) == std::string::npos) {
        for (const char separator : {';', ','})
            if (auto separated = asSeparated(text, separator)) return separated;
    }
    SavedReadout readout;
    readout.deviceText = std::move(text);
    return readout;
}

TerminalText ReplayedTerminal(const std::string& deviceText, ReadoutKind kind) {
    TerminalText terminal;
    ReadoutRules rules(terminal, kind == ReadoutKind::AlarmBuffer);
    std::int32_t count = 0;
    for (const char c : deviceText) {
        rules.take(static_cast<std::uint8_t>(c), count++);
        if (c == kCr) rules.take(static_cast<std::uint8_t>(kLf), count++);  // as the device sends
    }
    return terminal;
}

TerminalText TerminalOf(const SavedReadout& readout, ReadoutKind kind) {
    if (kind != ReadoutKind::AlarmBuffer || readout.fileKind == SavedFileKind::SeparatedCsv)
        return plainTerminal(readout.deviceText);
    TerminalText replayed = ReplayedTerminal(readout.deviceText, kind);
    if (readout.fileKind == SavedFileKind::TabbedCsv) {
        // The export takes the header TABs out of the third line only.
        TerminalText plain = plainTerminal(readout.deviceText);
        if (TabbedCsvText(replayed, true) != TabbedCsvText(plain, false)) return plain;
    }
    return replayed;
}

OpenedReadout OpenSavedReadout(const std::string& path) {
    OpenedReadout opened;
    ReadFileResult file = ReadWholeFile(path, kLargestReadoutFile);
    opened.refusal = file.refusal;
    opened.status = file.status;
    if (file.refusal != FileRefusal::None) return opened;
    if (isBlankText(file.bytes)) {
        opened.refusal = FileRefusal::Empty;
        return opened;
    }
    std::optional<SavedReadout> readout = ReadSavedReadout(file.bytes);
    if (!readout) {
        opened.refusal = FileRefusal::NotAReadout;
        return opened;
    }
    opened.readout = std::move(*readout);
    return opened;
}

}  // namespace travik
