// Which rows of a readout are records, and what tells one record from another.
//
// The rule, found from the simulator's replies (tools/travik-sim/DeviceReplies.*)
// and the saved readouts of the tests and the benchmark:
// - Both kinds start each row with "No", a running number the device writes
//   from 1 for the oldest row it still holds. As the ring buffer turns, the
//   same entry gets another number in every readout, so it is no part of a
//   record. A column is such a running number when its title is "No", or when
//   it is the first column and counts up or down by one from row to row
//   (table/Columns' IsRowCounter). No other column is: a value that counts up
//   by one over a few rows is still a value.
// - The device time is the table's time axis (table/Columns' FindTimeAxis): the
//   alarm buffer's "t" (date and time in one cell), the data logger's "Date"
//   and "Time" (two cells read as one). A row whose time does not read is no
//   record: there is nothing to place it by.
// - The content is every other cell as the device wrote it, trimmed, in column
//   order, joined by TAB (the alarm's "I", "IdL", text, value, unit,
//   acknowledgement and state; the logger's values and event). Two rows with the
//   same device, kind, device time and content are the same record.
// - The last line of a readout that ended before its line end (the byte limit
//   of 14490 or 8770 bytes stopped it, or the connection was lost) is cut
//   short, and no record.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Readout.h"

namespace travik::history {

struct CutRecord {
    long long time = 0;        // the device's time, seconds since 01.01.1970 on its clock
    std::string content;       // the cells that are neither running number nor time
    std::size_t rowStart = 0;  // the row's line in the device text
    std::size_t rowLength = 0;
};

struct CutReadout {
    std::string firstLine;                 // the device as it names itself
    std::optional<long long> deviceClock;  // the second line's time, when it reads
    std::vector<std::string> titles;       // the third line's fields
    std::vector<CutRecord> records;        // in the order the device wrote them
    std::size_t rowsWithoutTime = 0;       // rows left out: their time did not read
    bool lastRowCut = false;               // the last row was left out, cut short
};

// The records of `deviceText` (the device's bytes, CR line ends, without the
// header TABs the program puts in). `endedComplete`: the reply ended by itself
// (its 0 byte or a pause), not at the byte limit nor by a lost connection.
CutReadout CutRecords(const std::string& deviceText, ReadoutKind kind, bool endedComplete);

// True when a reply of `deviceText`, as the device sends it (an LF after each
// CR), filled the byte limit of `kind`: its last line may have been cut.
bool FilledByteLimit(const std::string& deviceText, ReadoutKind kind);

// The usual spacing of records: the median step between successive times
// (sorted); 0 for fewer than two records.
long long UsualSpacing(std::vector<long long> times);

}  // namespace travik::history
