// Reading a saved readout back: the tab-separated and the comma- or
// semicolon-separated CSV the export writes, travik-read's text output (the
// terminal text with LF line ends), and the same files as spreadsheets and
// editors write them again (other line ends, quoting, UTF-8 and UTF-16). What
// comes out is a terminal text as after a readout, so that every page and both
// writers work on it unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "FileText.h"
#include "Readout.h"
#include "Status.h"
#include "TerminalText.h"

namespace travik {

// A readout is at most 14490 bytes; a file above this is no readout.
inline constexpr std::size_t kLargestReadoutFile = std::size_t{1024} * 1024;

// Line ends are CR LF, LF, CR, or CR CR LF (a file converted twice) in each kind.
enum class SavedFileKind {
    TabbedCsv,     // fields as the device sent them (in UTF-16 quoted as spreadsheets do)
    SeparatedCsv,  // commas or semicolons, condensed rows from the third line, quoted fields
    TextOutput,    // travik-read's standard output: the terminal text, each CR an LF
    Unseparated,   // commas or semicolons that make no sense: each line as it stands
};

// What made no sense in the separators of an Unseparated file, and where.
struct SeparatorTrouble {
    enum class What {
        QuoteNotClosed,    // `line` is where the quote opened
        QuoteInsideField,  // a quote in an unquoted field, or text after a closing quote
        NoTitleLine,       // fewer than three lines
        TitleFields,       // the titles have `fields`, neither 5 nor 3
        RowFields,         // a row has `fields`, the titles `titleFields`
    };
    What what = What::QuoteNotClosed;
    std::size_t line = 0;  // from 1, as an editor counts the file's lines
    std::size_t fields = 0;
    std::size_t titleFields = 0;
    char separator = ';';
};

struct SavedReadout {
    SavedFileKind fileKind = SavedFileKind::TabbedCsv;
    char separator = '\t';  // ',' or ';' in a separated file
    TextEncoding encoding = TextEncoding::Windows1252;
    std::size_t replaced = 0;  // characters outside the code page, shown as "?"
    SeparatorTrouble trouble;  // for an Unseparated file
    // What the file tells of the readout kind; nothing when it does not tell.
    std::optional<ReadoutKind> kind;
    // The device's text as the readout received it (CR line ends, without the
    // TABs the header rule puts in).
    std::string deviceText;
};

// The saved readout in `bytes`; nothing when they are no readout: empty or
// blank, holding a 0 byte (which ends every readout) or many control bytes
// (a picture, a program), or with no field separator (TAB, semicolon, comma)
// on any line (a plain letter).
std::optional<SavedReadout> ReadSavedReadout(std::string_view bytes);

// The terminal text after a readout of `deviceText` as `kind`: the alarm
// buffer's header TABs put in again, and recorded, so that the tab-separated
// export takes them out again.
TerminalText ReplayedTerminal(const std::string& deviceText, ReadoutKind kind);

// The terminal text of a saved readout read as `kind`: replayed, unless the
// replay would not give back what the file shows (then as it stands).
TerminalText TerminalOf(const SavedReadout& readout, ReadoutKind kind);

// Why a file was not opened.
enum class FileRefusal {
    None,
    Empty,
    NotAReadout,  // binary, a picture, not a regular file, or no readout's text
    TooLarge,     // above kLargestReadoutFile
    Unreadable,   // the system refused to read it (the status has its reason)
    Folder,
    Gone,  // no longer there
};

struct ReadFileResult {
    FileRefusal refusal = FileRefusal::None;
    Status status;      // the system's reason when it refused
    std::string bytes;  // the whole file when not refused
};

// Reads the file at `path` (UTF-8) whole, if it is a regular file of at most
// `limit` bytes. Never blocks on a FIFO or a device.
ReadFileResult ReadWholeFile(const std::string& path, std::size_t limit);

struct OpenedReadout {
    FileRefusal refusal = FileRefusal::None;
    Status status;
    SavedReadout readout;
};

// ReadWholeFile, then ReadSavedReadout.
OpenedReadout OpenSavedReadout(const std::string& path);

}  // namespace travik
