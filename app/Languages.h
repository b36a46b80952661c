// The window's captions in the four user-interface languages, and the texts
// of the start-up and port selection that depend on the language. UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ReadoutFile.h"
#include "WinCOmmUnit.h"

namespace travik {

inline constexpr int kLanguageCount = 4;   // 0 English, 1 German, 2 French, 3 Spanish
inline constexpr int kSeparatorCount = 2;  // 0 tabulator, 1 comma or semicolon

struct Captions {
    const char* Datei1;
    const char* CSVDateiabspeichern1;
    const char* GroupBox1;
    const char* Button1;
    const char* Button2;
    const char* RadioGroup1;
    const char* RadioGroup2;
    const char* RadioGroup1Items[kSeparatorCount];
    const char* RadioGroup2Items[kLanguageCount];
    const char* TabSheet1;
    const char* TabSheet2;
    const char* TabSheet3;  // the table page
    const char* TabSheet4;  // the chart page
};

// The captions of language `index`, or nullptr outside 0..3.
const Captions* CaptionsFor(int index);

// The figures grid under the table, in the window's language (English outside 0..3).
struct FigureTexts {
    const char* column;
    const char* values;
    const char* minimum;
    const char* maximum;
    const char* time;  // heads the columns of where a value occurs, with a time axis
    const char* row;   // the same without one
    const char* mean;
    const char* timeRange;  // "%1" the earliest time, "%2" the latest, "%3" the span
    const char* dayUnit;    // after the whole days of a span
};
const FigureTexts& FigureTextsFor(int languageIndex);

// The chart page of an alarm buffer (English outside 0..3).
struct TimelineTexts {
    const char* timeline;  // the check box: the timeline shown, else the value lines
    const char* alarm;     // the marks of alarms not written as coming or going
};
const TimelineTexts& TimelineTextsFor(int languageIndex);

// The file menu's commands for saved readouts and reports (English outside 0..3).
struct FileMenuTexts {
    const char* openReadout;
    const char* saveReport;
    const char* readoutKind;  // the submenu
    const char* alarmBuffer;
    const char* dataLogger;
};
const FileMenuTexts& FileMenuTextsFor(int languageIndex);

// The history view and its file-menu command (English outside 0..3).
struct HistoryViewTexts {
    const char* page;  // the tab
    const char* device;
    const char* kind;
    const char* range;
    const char* choices[4];  // as history::RangeChoice
    const char* from;
    const char* to;
    const char* show;
    const char* addToHistory;  // the file menu's command
    const char* empty;         // the history holds no device yet
    const char* nothing;       // the device has no readout of the kind chosen
    const char* readouts;      // the report's heading for the readouts merged
    const char* marks;         // and for the possible losses and clock changes
    const char* keepReadouts;  // the switch: each device readout goes into the history
};
const HistoryViewTexts& HistoryViewTextsFor(int languageIndex);

// The file dialogs' filters (English outside 0..3).
struct FileDialogTexts {
    const char* csvFiles;  // "… (*.csv)"
    const char* readouts;  // "… (*.csv *.txt)", for opening
    const char* allFiles;  // "… (*)"
    const char* pdfFiles;  // "… (*.pdf)"
};
const FileDialogTexts& FileDialogTextsFor(int languageIndex);

// The words of the PDF report (English outside 0..3). "%1" is filled in.
struct ReportTexts {
    const char* title;
    const char* source;
    const char* port;  // "%1" the port
    const char* file;  // "%1" the file name
    const char* reportDate;
    const char* figures;
    const char* alarms;
    const char* text;
    const char* count;
    const char* first;
    const char* last;
    const char* table;
    const char* page;       // "%1" the page number
    const char* columns;    // over a band of a wide table: "%1" to "%2" of "%3" columns
    const char* manyPages;  // asked before a long report is written: "%1" the pages
    const char* writing;    // while it is written
    const char* cancel;
};
const ReportTexts& ReportTextsFor(int languageIndex);

// The report's limits section and its closing line (English outside 0..3).
struct LimitReportTexts {
    const char* limits;   // the section's heading
    const char* inForce;  // the limits in force, and since when
    const char* column;
    const char* start;
    const char* end;
    const char* duration;
    const char* extreme;
    const char* stillOutside;  // the end of an excursion still outside at the last point
    const char* perDay;        // the heading over the time outside per day
    const char* day;
    const char* outside;
    const char* unknown;
    const char* noExcursion;   // no excursion in any column with a limit
    const char* unknownTotal;  // "%1" the column, "%2" its time without data
    const char* fileHash;      // "%1" the file's name, "%2" the SHA-256
    const char* csvHash;       // "%1" the SHA-256 of the CSV that saving writes
};
const LimitReportTexts& LimitReportTextsFor(int languageIndex);

// Why the file at `path` was not opened, for the error box (which adds the
// full stop); `reason` is the system's, when it gave one.
std::string RefusedFileText(FileRefusal refusal, const std::string& path, const std::string& reason,
                            int languageIndex);

// Shown instead of copying a selection whose text (`bytes`) would pass
// `limitBytes`: nothing was copied, and what to do instead.
std::string CopyTooLargeText(std::size_t bytes, std::size_t limitBytes, int languageIndex);

// Asked before an opened file replaces a readout that was not saved.
std::string DiscardUnsavedText(const std::string& path, int languageIndex);

// The status line after a file was opened: its name, what kind of file, and
// the readout kind, "assumed" when the file does not tell it.
std::string OpenedFileStatusText(const std::string& path, const SavedReadout& readout,
                                 ReadoutKind kind, int languageIndex);

// Shown when the port remembered from the last run does not open
// (English for 0, German for every other index).
std::string StartupPortFailedText(int languageIndex);

// Shown when the port picked in the selector does not open; empty (nothing to
// show) when no language is selected.
std::string PortSelectionFailedText(int languageIndex);

// The chart page's line when the table has no numeric column, and when the
// program was built without charts (English for 0, German for every other index).
std::string NoNumericColumnText(int languageIndex);
// Shown above an empty table when the pages could not be filled.
std::string PagesNotShownText(int languageIndex);
std::string ChartsLeftOutText(int languageIndex);

// The chart's context-menu commands (English for 0, German for every other index).
std::string SavePictureText(int languageIndex, const char* format);
std::string PictureNotSavedText(int languageIndex, const std::string& path);

// The status line after a port did not open: the port and why, with the usual
// fix (English for 0, German for every other index). Names in these texts show
// their control characters written out (PrintableName).
std::string PortFailureStatusText(const std::string& port, const OpenStatus& opened,
                                  int languageIndex);

// The status line when the remembered adapter was looked for because its port
// name is gone or now another adapter's: found under `port`, nowhere, or on
// several `ports` (English for 0, German for every other index).
std::string AdapterNowText(const std::string& port, int languageIndex);
std::string AdapterNotPluggedInText(int languageIndex);
std::string AdapterOnSeveralPortsText(const std::vector<std::string>& ports, int languageIndex);

// The status line after a readout whose reopen of the port failed.
std::string ReadoutPortFailureText(const std::string& port, const OpenStatus& opened,
                                   int languageIndex);

// The limits: the dialog's own words beside history/LimitTexts', the command
// that opens it (chart page, figures grid), a table cell outside its limit
// ("%1": the limit as the column writes it) and a limit that could not be kept
// ("%1": why). UTF-8.
struct LimitsWindowTexts {
    const char* column;
    const char* takeAway;  // the check box: no limit from the start on
    const char* open;      // "Limits…"
    const char* aboveUpper;
    const char* belowLower;
    const char* notKept;
};
const LimitsWindowTexts& LimitsWindowTextsFor(int languageIndex);

// The error text for settings that could not be saved (the error box adds the full stop).
std::string UnableToWriteText(const std::string& path);

// The selected item for a stored index: above the last item selects the last,
// below 0 selects none (-1).
int SelectionForStoredIndex(int stored, int itemCount);

// The program's title for its message boxes: the program file's name without
// its folder, cut at the first full stop, every letter after the first in
// lower case ("/usr/bin/TravikPReadout" gives "Travikpreadout").
std::string ProgramTitle(const std::string& programPath);

}  // namespace travik
