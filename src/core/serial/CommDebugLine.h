// Reading the lines of the communications debug log: their parts (direction, program line,
// number, frame text), the debugger's filter, and the CSV form of a line.
//
// A line is "->%d/%u - <frame>" (sent: the runner's line number, the log's line number),
// "<-%u - <reply>" or "<-%u - discarded: <bytes>" (received). The unit of a line is the first
// two characters of its frame, reply or discarded bytes: the family letter (any case: AxisBoard
// and QBoard replies use lower case) and the unit digit.
// Error rule: pure functions; a line that has none of these forms parses as not valid, matches
// only a filter without conditions and is exported as its whole text.
// Thread rule: no state; a filter is read-only once made, and may be used from any thread.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vendra {

struct CommDebugLineParts {
    bool valid = false;
    bool sent = false;      // a frame sent; otherwise a reply or discarded bytes
    long programLine = 0;   // sent frames: the runner's line number (1-based)
    uint32_t number = 0;    // the line's number in the log
    std::string_view text;  // what follows " - "
    std::string_view unit;  // the two characters that name the unit ("D3", "x1"), or less
};

CommDebugLineParts ParseCommDebugLine(std::string_view line);

enum class CommDirection { Any, Sent, Received };

// The debugger's filter: a text found anywhere in the line (case-insensitive), a direction, and a
// unit: a family letter, alone (every unit of the family) or with the unit's hex digit ("D3",
// "x1", "qa"); case-insensitive.
class CommDebugFilter {
  public:
    CommDebugFilter() = default;
    CommDebugFilter(std::string_view text, CommDirection direction, std::string_view unit);

    // Some condition is set (the list then shows only matching lines).
    bool Active() const { return !needle_.empty() || direction_ != CommDirection::Any || unitSet_; }
    // The unit is empty or a letter with at most one hex digit. An invalid unit matches nothing.
    bool UnitValid() const { return unitValid_; }
    bool Matches(std::string_view line) const;

  private:
    std::string needle_;  // lower case
    CommDirection direction_ = CommDirection::Any;
    bool unitSet_ = false;
    bool unitValid_ = true;
    char unitLetter_ = 0;  // upper case
    int unitDigit_ = -1;   // 0..15, or -1 for any
};

// "number,direction,program_line,time_ms,frame" (time_ms only `withTime`), ended by CR LF.
std::string CommDebugCsvHeader(bool withTime);
// Appends the CSV row of `line`: its number, "sent" or "received", the program line (sent frames
// only), the time since the log's first line in ms with three decimals (only `withTime`), and the
// frame text, quoted when it holds a comma, a quote or a line break. Ends in CR LF.
void AppendCommDebugCsvRow(std::string& out, std::string_view line, bool withTime, uint64_t micros);
// Milliseconds with three decimals from microseconds ("12.345").
std::string FormatMillis(uint64_t micros);

}  // namespace vendra
