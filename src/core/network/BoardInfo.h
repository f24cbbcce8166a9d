// Board information: one unit is asked for its numbered information items ("v0" .. "v1D", one
// reply each) and the numbers are turned into the plain-text report of the "Axis Stats" box
// through fixed tables (board model, CPU, driver and eight option tables).
//
// Error rule: an item without an acceptable reply (no answer, an error status, a value that does
// not start with '0' or a character above it) stays empty and reads as 0; the report is still
// built. Codes outside a table show "Unknown (N)". An absent unit is refused with its presence
// message before any query. A line that went away during the queries gives no report (the port
// layer has said so). TBoardInfo refuses a start quietly while the line has another owner or a
// report is being made.
// Thread rule: the tables and FormatBoardReport are pure. QueryBoardInfo and ReportBoardInfo run
// on the thread that holds the line (the BoardInfo worker). TBoardInfo's methods may be called
// from any thread; its destructor stops the worker and joins it within a bounded time (about one
// wait slice once the port stops waiting; a question being asked must be answered or declined,
// which QtOperator does on shutdown).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialState.h"

namespace vendra {

constexpr int kBoardInfoItemCount = 30;
// An item keeps at most this many characters of its reply's value text.
constexpr size_t kBoardInfoItemChars = 19;

constexpr size_t kBoardTypeCount = 62, kCpuTypeCount = 26, kDriverTypeCount = 24;
constexpr size_t kOptionTableCount = 8, kOptionNameCount = 17;
extern const char* const BoardTypeNames[kBoardTypeCount];
extern const char* const CpuTypeNames[kCpuTypeCount];
extern const char* const DriverTypeNames[kDriverTypeCount];
// Entry 0 of each table is a placeholder; entry b+1 names bit b of the table's option word.
extern const char* const OptionNames[kOptionTableCount][kOptionNameCount];

// What one unit told about itself: the item texts and the numbers taken from them.
struct BoardInfoItems {
    std::string Items[kBoardInfoItemCount];
    int QueriesSent = 0;
    int32_t Version = 0, Minor = 0, CpuCode = 0, IapMajor = 0, IapMinor = 0, IeepromSize = 0;
    int32_t RevisionWord = 0, BoardType = 0, DriverWord = 0, TestLevel = 0;
    uint32_t OptionWords[kOptionTableCount] = {};
};

// The last item a unit of `version` is asked for: 9 below 105, 15 up to 106, else 29.
int LastInformationItem(int32_t version);
// Fills the numbers and option words of `info` from its item texts.
void TakeBoardInfoNumbers(BoardInfoItems& info);
// The report, one CR-ended line after the other; `family` is the BoardFamily code asked.
std::string FormatBoardReport(const BoardInfoItems& info, uint8_t family);
// " DBoard Axis at address 3 is not Online!" and the like for BoardFamily codes 0..7.
std::string PresenceMessage(uint8_t family, unsigned address);
// The presence check of the tools that talk to one chosen unit: true when unit `address` of
// `family` (0..7; the axes look at their AxisBoard unit) answered at initialisation. Otherwise
// false, after the presence message (title "Error Message", OK and Cancel) for a unit that can
// exist, and quietly for a family or address that cannot.
bool ConfirmUnitOnline(const UnitMap& units, Operator& op, uint8_t family, unsigned address);

// The parts of the system state the report uses. It reads the units and changes nothing: an
// information query moves no motor and counts in no statistic.
struct BoardInfoState {
    SerialState& Serial;
    const UnitMap& Units;
};

// Asks unit `address` of `family` (0..7) for items 0 .. LastInformationItem(version) and takes
// the numbers. A board error is shown (ShowBoardError) and leaves its item empty. Ends early
// (false) when the session's stop token asks or the line goes away.
bool QueryBoardInfo(LineSession& session, const UnitMap& units, Operator& op, uint8_t family,
                    unsigned address, BoardInfoItems& info);

// Picks the unit (false: cancelled). The composition root wires it to SelectTargetBoard.
using SelectTarget = std::function<bool(uint8_t& family, uint8_t& address)>;

// Selection, presence check, queries, report. 1 with `report` filled, 0 otherwise (cancelled,
// absent unit, line lost, stopped).
int ReportBoardInfo(BoardInfoState state, Operator& op, LineSession& session,
                    const SelectTarget& select, std::string& report);

// The "Axis Information" worker: one report on its own thread ("BoardInfo").
class TBoardInfo {
  public:
    TBoardInfo(BoardInfoState state, Operator& op, SerialLine& line, SelectTarget select);
    ~TBoardInfo();
    TBoardInfo(const TBoardInfo&) = delete;
    TBoardInfo& operator=(const TBoardInfo&) = delete;

    // Takes the line and starts the worker; false, with nothing started, while the line has an
    // owner (a report being made included).
    bool Start();
    bool Running() const;
    // Waits until no report is being made; false when timeoutMs passed first.
    bool WaitUntilIdle(uint32_t timeoutMs);

  private:
    void Execute();

    BoardInfoState state_;
    Operator& op_;
    SerialLine& line_;
    SelectTarget select_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool running_ = false;
    LineSession session_;
    std::thread thread_;
};

}  // namespace vendra
