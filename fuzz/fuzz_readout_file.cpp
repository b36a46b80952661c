// A saved readout read back: no input crashes the reader, and a file the
// program wrote reads back to the same table.
//
// The input is taken twice: as a file someone opens (any bytes), and as the
// device's reply (the first byte picks the readout kind) that the export then
// writes, tab-separated and separated, to be read back. A file without a
// single TAB, or with both separators, can be read as more than one kind of
// file; the table is compared where the file's kind is unambiguous. Bytes that
// happen to read as UTF-8 or UTF-16 are decoded, so only files read in the
// device's code page come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ColumnFigures.h"
#include "CsvExport.h"
#include "ReadoutFile.h"
#include "Table.h"

namespace {

using namespace travik;

void check(bool condition) {
    if (!condition) std::abort();
}

void readAnyFile(std::string_view bytes) {
    const std::optional<SavedReadout> readout = ReadSavedReadout(bytes);
    if (!readout) return;
    for (const ReadoutKind kind : {ReadoutKind::AlarmBuffer, ReadoutKind::DataLogger}) {
        const TerminalText terminal = TerminalOf(*readout, kind);
        check(terminal.bytes().find('\n') == std::string::npos);
        check(terminal.bytes().find('\0') == std::string::npos);
        const Table table = CutTable(terminal.bytes(), terminal.insertedTabs());
        FiguresOf(table);
    }
}

bool tabsOnlyOnTitleLine(const TerminalText& terminal) {
    const std::size_t begin = terminal.lineStart(2), end = terminal.lineStart(3);
    for (const std::size_t at : terminal.insertedTabs())
        if (at < begin || at >= end) return false;
    return true;
}

bool sameTable(const Table& a, const Table& b) {
    if (a.preamble != b.preamble || a.titles != b.titles || a.rowCount() != b.rowCount())
        return false;
    for (std::size_t row = 0; row < a.rowCount(); ++row)
        for (std::size_t column = 0; column < a.columnCount(); ++column)
            if (a.cell(row, column) != b.cell(row, column)) return false;
    return true;
}

void writeAndReadBack(std::string_view input) {
    if (input.empty()) return;
    const ReadoutKind kind =
        (input[0] & 1) != 0 ? ReadoutKind::AlarmBuffer : ReadoutKind::DataLogger;
    const bool alarm = kind == ReadoutKind::AlarmBuffer;
    std::string device;
    for (const char c : input.substr(1))
        if (c != '\0' && c != '\n') device += c;
    const TerminalText received = ReplayedTerminal(device, kind);
    if (received.size() < 2) return;  // nothing the save command would write

    const std::string tabbed = TabbedCsvText(received, alarm);
    // Without a TAB, separators that make no sense give the lines as they stand.
    if (const auto readout = ReadSavedReadout(tabbed);
        readout && readout->encoding == TextEncoding::Windows1252 &&
        (readout->fileKind == SavedFileKind::TabbedCsv ||
         readout->fileKind == SavedFileKind::Unseparated)) {
        const TerminalText back = TerminalOf(*readout, kind);
        check(TabbedCsvText(back, alarm) == tabbed);
        if (tabsOnlyOnTitleLine(received) && tabbed.find('\t') != std::string::npos)
            check(sameTable(CutTable(back.bytes(), back.insertedTabs()),
                            CutTable(received.bytes(), received.insertedTabs())));
    }

    for (const char separator : {',', ';'}) {
        const std::string separated = SeparatedCsvText(received, alarm, separator);
        const auto readout = ReadSavedReadout(separated);
        const char other = separator == ',' ? ';' : ',';
        if (!readout || separated.find(other) != std::string::npos) continue;
        if (readout->encoding != TextEncoding::Windows1252) continue;
        const std::vector<std::string> lines = received.lines();
        if (lines.size() < 3) continue;
        check(readout->fileKind == SavedFileKind::SeparatedCsv);
        check(readout->kind == kind);
        // The table the file shows: the first two lines, then the condensed ones.
        std::string shown;
        for (std::size_t i = 0; i < lines.size(); ++i)
            shown += (i < 2 ? lines[i] : CondenseLine(lines[i], alarm)) + '\r';
        const TerminalText back = TerminalOf(*readout, kind);
        check(sameTable(CutTable(back.bytes()), CutTable(shown)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    readAnyFile(bytes);
    writeAndReadBack(bytes);
    return 0;
}
