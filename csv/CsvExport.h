// Writing a readout as a CSV file: tab-separated as shown, or with commas or
// semicolons and condensed rows.
#pragma once

#include <string>

#include "Status.h"
#include "TerminalText.h"

namespace travik {

// The n-th (from 1) TAB- or `sep`-separated field of `line`, trimmed of every
// character with a code of 32 or below at both ends.
std::string ExtractField(const std::string& line, char sep, int n);

// The line rebuilt from its first five (alarm buffer) or three (data logger)
// fields, joined by TAB.
std::string CondenseLine(const std::string& line, bool alarmMode);

// "," for English (index 0), ";" for every other language.
char SeparatorFor(int languageIndex);

// What the two writers write: the file's bytes.
std::string TabbedCsvText(const TerminalText& text, bool alarmMode);
std::string SeparatedCsvText(const TerminalText& text, bool alarmMode, char separator);

// Both writers replace the file only when it is completely written. A failure
// names its step and keeps the system's code and text.
Status SaveCsvTabbed(const std::string& fileName, const TerminalText& text, bool alarmMode);
Status SaveCsvSeparated(const std::string& fileName, const TerminalText& text, bool alarmMode,
                        char separator);

// The message for a failed write, without the full stop the error box appends:
// "File not found", "Invalid filename", "Too many open files", "File access
// denied", else "I/O error <code>".
std::string FileErrorText(int code);
std::string FileErrorText(const Status& status);

}  // namespace travik
