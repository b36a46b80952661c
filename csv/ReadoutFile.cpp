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
// The line whose fields are the column titles (from 0).
constexpr std::size_t kTitleLine = 2;

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

// The length of the line end at `at`: CR CR LF (a file converted twice),
// CR LF, a lone CR or a lone LF; 0 when no line ends there.
std::size_t lineEndAt(std::string_view text, std::size_t at) {
    if (text[at] == kLf) return 1;
    if (text[at] != kCr) return 0;
    if (at + 1 < text.size() && text[at + 1] == kLf) return 2;
    if (at + 2 < text.size() && text[at + 1] == kCr && text[at + 2] == kLf) return 3;
    return 1;
}

// Every line end as the terminal's CR.
std::string withCrLineEnds(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t lineEnd = lineEndAt(bytes, at);
        out += lineEnd > 0 ? kCr : bytes[at];
        at += lineEnd > 0 ? lineEnd : 1;
    }
    return out;
}

bool endsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == kCr || text.back() == kLf);
}

// A file's fields as quoted the way spreadsheets write them: a field that
// starts with a quote ends at the next lone quote, doubled quotes in it are
// one, and line ends in it are part of the field.
struct QuotedFields {
    char separator;
    bool strict;  // a quote elsewhere in a field is an error, else a character
    std::string_view text;
    std::size_t at = 0;
    std::size_t line = 1;
    std::optional<SeparatorTrouble> trouble;

    void fail(SeparatorTrouble::What what, std::size_t where) {
        trouble = SeparatorTrouble{what, where, 0, 0, separator};
    }

    bool atFieldEnd() const {
        return at >= text.size() || text[at] == separator || lineEndAt(text, at) > 0;
    }

    // The quoted field from `at` (on its opening quote) to after its closing one.
    void readQuoted(std::string& field) {
        const std::size_t openedOn = line;
        ++at;
        while (true) {
            if (at >= text.size()) return fail(SeparatorTrouble::What::QuoteNotClosed, openedOn);
            if (text[at] == kQuote) {
                if (at + 1 < text.size() && text[at + 1] == kQuote) {
                    field += kQuote;
                    at += 2;
                    continue;
                }
                ++at;
                return;
            }
            // The terminal text has no line break within a line: a space, as copying does.
            if (const std::size_t lineEnd = lineEndAt(text, at)) {
                field += ' ';
                at += lineEnd;
                ++line;
                continue;
            }
            // Joined by TABs, a quoted TAB would cut the field in two: a space, too.
            field += text[at] == kTab ? ' ' : text[at];
            ++at;
        }
    }

    void readUnquoted(std::string& field) {
        while (!atFieldEnd()) {
            if (text[at] == kQuote && strict)
                return fail(SeparatorTrouble::What::QuoteInsideField, line);
            field += text[at++];
        }
    }

    // The next line's fields; at the end of the text, none.
    std::vector<std::string> nextRecord() {
        std::vector<std::string> fields;
        while (!trouble) {
            std::string field;
            if (at < text.size() && text[at] == kQuote) {
                readQuoted(field);
                if (!trouble && !atFieldEnd()) {
                    if (strict) fail(SeparatorTrouble::What::QuoteInsideField, line);
                    readUnquoted(field);
                }
            } else {
                readUnquoted(field);
            }
            fields.push_back(std::move(field));
            if (trouble || at >= text.size()) break;
            if (text[at] == separator) {
                ++at;
                continue;
            }
            at += lineEndAt(text, at);
            ++line;
            break;
        }
        return fields;
    }
};

std::string joinedByTabs(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += kTab;
        line += fields[i];
    }
    return line;
}

bool isBlankRecord(const std::vector<std::string>& fields) {
    return fields.size() == 1 && fields[0].empty();
}

// The device text of `text` cut at `separator` with quotes read, every line
// joined again by TABs; the trouble instead when the quotes make no sense or,
// with `fieldCount`, when the lines from the third on have other counts than
// the titles, or the titles neither five (alarm buffer) nor three (data logger).
struct CutText {
    std::string device;
    std::size_t lines = 0;
    std::size_t titleFields = 0;
    std::optional<SeparatorTrouble> trouble;
};

CutText cutAt(std::string_view text, char separator, bool strict, bool fieldCount) {
    QuotedFields reader{separator, strict, text, 0, 1, std::nullopt};
    CutText cut;
    for (std::size_t index = 0; reader.at < text.size(); ++index) {
        const std::size_t line = reader.line;
        const std::vector<std::string> fields = reader.nextRecord();
        if (reader.trouble) {
            cut.trouble = reader.trouble;
            return cut;
        }
        if (fieldCount && index == kTitleLine) {
            cut.titleFields = fields.size();
            if (fields.size() != kAlarmFields && fields.size() != kDataFields) {
                cut.trouble = SeparatorTrouble{SeparatorTrouble::What::TitleFields, line,
                                               fields.size(), 0, separator};
                return cut;
            }
        }
        if (fieldCount && index > kTitleLine && !isBlankRecord(fields) &&
            fields.size() != cut.titleFields) {
            cut.trouble = SeparatorTrouble{SeparatorTrouble::What::RowFields, line, fields.size(),
                                           cut.titleFields, separator};
            return cut;
        }
        if (index > 0) cut.device += kCr;
        cut.device += joinedByTabs(fields);
        cut.lines = index + 1;
    }
    if (endsWithLineEnd(text)) cut.device += kCr;
    return cut;
}

// A file whose title line has no TABs, cut at semicolons or commas as the separated export
// writes them; with neither making sense, its lines as they stand and what
// went wrong where the file was understood the furthest.
std::optional<SavedReadout> asSeparated(std::string_view text) {
    std::optional<SeparatorTrouble> trouble;
    for (const char separator : {';', ','}) {
        if (text.find(separator) == std::string_view::npos) continue;
        CutText cut = cutAt(text, separator, true, true);
        if (!cut.trouble && cut.lines <= kTitleLine) {
            cut.trouble = SeparatorTrouble{SeparatorTrouble::What::NoTitleLine, kTitleLine + 1, 0,
                                           0, separator};
        }
        if (!cut.trouble) {
            SavedReadout readout;
            readout.fileKind = SavedFileKind::SeparatedCsv;
            readout.separator = separator;
            readout.kind = cut.titleFields == kAlarmFields ? ReadoutKind::AlarmBuffer
                                                           : ReadoutKind::DataLogger;
            readout.deviceText = std::move(cut.device);
            return readout;
        }
        if (!trouble || cut.trouble->line > trouble->line) trouble = cut.trouble;
    }
    if (!trouble) return std::nullopt;  // no separator on any line
    SavedReadout readout;
    readout.fileKind = SavedFileKind::Unseparated;
    readout.trouble = *trouble;
    readout.deviceText = withCrLineEnds(text);
    return readout;
}

// A spreadsheet's "Unicode text": UTF-16, TABs, fields quoted as in its CSV.
SavedReadout asSpreadsheetTabbed(std::string_view text) {
    SavedReadout readout;
    CutText cut = cutAt(text, kTab, false, false);
    if (cut.trouble) {
        readout.fileKind = SavedFileKind::Unseparated;
        readout.trouble = *cut.trouble;
        readout.deviceText = withCrLineEnds(text);
    } else {
        readout.deviceText = std::move(cut.device);
    }
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

// The title line as it stands, without its line end; none when the text has
// fewer lines.
std::optional<std::string_view> plainTitleLine(std::string_view text) {
    std::size_t at = 0;
    for (std::size_t line = 0; line < kTitleLine; ++line) {
        while (at < text.size() && lineEndAt(text, at) == 0) ++at;
        if (at >= text.size()) return std::nullopt;
        at += lineEndAt(text, at);
    }
    if (at >= text.size()) return std::nullopt;
    std::size_t end = at;
    while (end < text.size() && lineEndAt(text, end) == 0) ++end;
    return text.substr(at, end - at);
}

// Whether the file's columns are cut at TABs, as the title line tells: read
// with quotes, a TAB in a quoted field or a quoted line break before it is no
// column break. Without a title line, any TAB tells.
bool titleLineHasTabs(std::string_view text) {
    const std::optional<std::string_view> plain = plainTitleLine(text);
    if (!plain) return text.find(kTab) != std::string_view::npos;
    QuotedFields reader{kTab, false, text, 0, 1, std::nullopt};
    std::vector<std::string> title;
    std::size_t records = 0;
    for (; records <= kTitleLine && reader.at < text.size(); ++records) title = reader.nextRecord();
    // A quote the reader cannot close, or quoted lines to the end: the lines as they stand.
    if (reader.trouble || records <= kTitleLine) return plain->find(kTab) != std::string_view::npos;
    return title.size() > 1;
}

// A file cut at TABs: a spreadsheet's Unicode text, travik-read's text output
// (LF alone) or the tabbed export.
SavedReadout asTabbed(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf16) return asSpreadsheetTabbed(text);
    if (text.find(kLf) != std::string_view::npos && text.find(kCr) == std::string_view::npos)
        return asTextOutput(withCrLineEnds(text));
    SavedReadout readout;
    readout.deviceText = withCrLineEnds(text);
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
    FileText decoded = DecodeFileText(bytes);
    const std::string_view text = decoded.text;
    if (isBlankText(text) || looksBinary(text)) return std::nullopt;
    std::optional<SavedReadout> readout;
    if (!titleLineHasTabs(text)) readout = asSeparated(text);
    // Without a separator to cut at, TABs elsewhere are the columns.
    if (!readout && text.find(kTab) != std::string_view::npos)
        readout = asTabbed(text, decoded.encoding);
    if (!readout) return std::nullopt;
    readout->encoding = decoded.encoding;
    readout->replaced = decoded.replaced;
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
    if (kind != ReadoutKind::AlarmBuffer || readout.fileKind == SavedFileKind::SeparatedCsv ||
        readout.fileKind == SavedFileKind::Unseparated)
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
    if (isBlankText(DecodeFileText(file.bytes).text)) {
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
