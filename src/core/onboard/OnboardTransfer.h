// Moving the on-board program between the editor and one board unit: read it from the board's
// memory, write the editor's program into it, erase it, or start it at an address.
//
// Exchanges (unit u of family f, start address a from the address dialog):
//  read   star command; size query "vF" (the size follows a '>' as the reply's third character);
//         listing request "D<a>"; then listing lines "<address>:<text>" until the end marker
//         ("d5c" for DBoard unit 5). Lines without ':' or without text are skipped.
//  write  star and erase commands; load request "Q<a>"; then each line with CR after the
//         board's ':' prompt; after one more prompt ESC CR CR CR ends the load.
//  erase  star and erase commands.   run  "K<a>".
// DBoard, UBoard and HBoard units take the star, erase and run commands as global frames.
// The reply time-out is raised for the star and erase commands and restored afterwards; the
// write sends with TransmitDelay = TXDdelay and restores it.
//
// Error rule: the operations report through the progress box and return an OnboardOutcome.
// Every wait for a board line or a prompt is bounded (ReplyTimeout + 300 ms per byte): a board
// that stops answering ends the operation with "Error, Operation Aborted ......", keeping the lines
// read so far; a write that stops mid-load sends ESC CR CR CR so the board leaves its load mode.
// Board errors to the star, erase and run commands are reported by the board transaction.
// Thread rule: one thread runs an operation (the transfer worker, or a test's thread) while it
// holds the line; RequestCancel may be called from any thread and ends the operation within one
// wait slice, or when a star, erase or run command under way has its reply (bounded by its
// time-out): a board busy erasing is not interrupted.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/base/AppState.h"
#include "core/base/Configuration.h"
#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/onboard/OnboardProgram.h"
#include "core/runner/RunState.h"
#include "core/serial/SerialState.h"

namespace vendra {

class SerialPort;
class BoardLink;

// The parts of the system state the transfer uses.
struct OnboardState {
    AppState& App;          // the selected unit
    SerialState& Serial;    // TransmitDelay, the line's owner
    Configuration& Config;  // ReplyTimeout (raised for a while), TXDdelay
    const UnitMap& Units;
    OnboardProgram& Onboard;
    const RunState& Run;  // a run in progress keeps the transfer from starting
};

enum class OnboardOutcome {
    Complete,   // done ("Operation Complete")
    Overflow,   // the listing held more lines than the editor keeps; those read are kept
    NoTarget,   // no board was selected
    Aborted,    // the board stopped answering, or the line went away
    Cancelled,  // the operator cancelled
};

// Progress captions.
inline constexpr const char* kOnboardAborted = "Error, Operation Aborted ......";
inline constexpr const char* kOnboardCancelled = "Operation Cancelled ......";
inline constexpr const char* kOnboardComplete = "Operation Complete";
inline constexpr const char* kOnboardOverflow = "Buffer Overflow, Operation Aborted";
inline constexpr const char* kOnboardReading = "Reading Board Data, Please wait ....";
inline constexpr const char* kOnboardErasing = "Eraseing Board Data, Please wait ....";
inline constexpr const char* kOnboardWriting = "Writing Board Data, Please wait ....";
inline constexpr const char* kOnboardTitle = "VDWin IEEPROM Editor Message";

class OnboardTransfer {
  public:
    // Asks the operator for the board when the network leaves a choice (SelectTargetBoard).
    using TargetSelector = std::function<bool()>;

    static constexpr uint32_t kExtraLineWaitMs = 300;  // on top of ReplyTimeout, per byte
    static constexpr size_t kBoardLineBytes = 300;     // a full 255-character line and its address
    static constexpr uint32_t kUnknownSize = 50000;    // size assumed for a unit not present
    static constexpr int32_t kStarTimeoutMs = 10000;   // star command to an axis or QBoard unit
    static constexpr int32_t kGlobalStarTimeoutMs = 100;
    static constexpr int32_t kWriteEraseTimeoutMs = 7000;
    static constexpr int32_t kEraseTimeoutMs = 10000;
    static constexpr uint32_t kCancelSliceMs = 20;  // a cancel is seen within this long

    OnboardTransfer(OnboardState state, Operator& op, SerialPort& port, BoardLink& link,
                    TargetSelector selectTargetBoard);
    OnboardTransfer(const OnboardTransfer&) = delete;
    OnboardTransfer& operator=(const OnboardTransfer&) = delete;

    // Chooses SelectedBoardFamily / SelectedBoardAddress: a lone DBoard, UBoard, HBoard or QBoard
    // unit without asking, a lone AxisBoard unit asking only for the axis, otherwise the
    // operator's choice. False when no board was chosen.
    bool SelectOnboardTarget();
    // Sends text to a unit as an on-board command (input purged first, no reply read). Families
    // 0..7 get the family letter and unit digit in front and a CR; any other family sends the text
    // as given. Returns 1 when the unit is not present (or the family has no units), else 0.
    int SendOnboardCommand(unsigned unit, uint8_t familyCode, const std::string& text);
    // Reads one board line up to CR into BoardLine(). False when none came in time, the line went
    // away or the operation was cancelled.
    bool ReadBoardLine();
    const std::string& BoardLine() const { return line_; }
    const std::string& EndMarker() const { return endMarker_; }

    OnboardOutcome ReadOnboardProgram();
    OnboardOutcome WriteOnboardProgram();
    // Asks "You are going to ERASE a program, Continue?" first; NoTarget also when answered No.
    OnboardOutcome EraseOnboardProgram();
    OnboardOutcome RunOnboardProgram();

    // Why the last operation was aborted ("" when it was not).
    const std::string& AbortReason() const { return abortReason_; }

    void RequestCancel();
    void ClearCancel();
    bool CancelRequested() const { return cancel_.load(); }

  private:
    enum class Got { Byte, TimedOut, Cancelled, Lost };
    Got NextByte(char& byte);
    bool ReadPrompt();
    void DiscardInput();
    int Transaction(unsigned unit, uint8_t familyCode, const std::string& text);
    void SendEraseCommands(unsigned unit, uint8_t familyCode, int32_t timeoutMs);
    OnboardOutcome Abort(Got why, const char* waitingFor);
    uint32_t ByteWaitMs() const;

    OnboardState state_;
    Operator& op_;
    SerialPort& port_;
    BoardLink& link_;
    TargetSelector selectTargetBoard_;

    std::string line_;
    std::string endMarker_;
    std::string abortReason_;
    // Bytes read from the port but not yet taken, for the lines that follow.
    char ahead_[512] = {};
    size_t aheadBegin_ = 0, aheadEnd_ = 0;

    Got lastFailure_ = Got::Byte;  // why the last ReadBoardLine returned false
    std::atomic<bool> cancel_{false};
};

}  // namespace vendra
