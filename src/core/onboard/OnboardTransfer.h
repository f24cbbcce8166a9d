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
// DBoard, UBoard and HBoard units take the star, erase and run commands as global frames, which
// reach every such unit: when others share the line the operator is asked first. The reply
// time-out is raised for the star and erase commands and restored afterwards; the write sends
// with TransmitDelay = TXDdelay and restores it. The loaded lines and the ESC line are program
// data and never carry the time stamp.
//
// Error rule: the operations report through the progress box and return an OnboardOutcome.
// Every wait for a board line or a prompt is bounded: its first byte within ReplyTimeout + 300 ms,
// its end within as long again of its first byte and within the line buffer. A board that stops
// answering, or whose answer breaks off so, ends the operation with "Error, Operation Aborted
// ......", keeping the lines read so far; a write that stops mid-load sends ESC CR CR CR so the
// board leaves its load mode. A unit that answers the load with an error status has refused the
// program; a program longer than the memory the unit reported is refused before anything is
// erased. Board errors to the star, erase and run commands are reported by the board step; an
// erase or run command that gets no answer is reported here.
// Thread rule: one thread runs an operation (the transfer worker, or a test's thread) on the
// session it holds (UseSession); RequestCancel may be called from any thread and ends the
// operation within one wait slice, or when a star, erase or run command under way has its reply
// (bounded by its time-out): a board busy erasing is not interrupted.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/AppState.h"
#include "core/base/Configuration.h"
#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/onboard/OnboardProgram.h"
#include "core/runner/BoardStep.h"
#include "core/runner/RunState.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialState.h"

namespace vendra {

// The parts of the system state the transfer uses.
struct OnboardState {
    AppState& App;          // the selected unit
    SerialState& Serial;    // TransmitDelay, the line's owner
    Configuration& Config;  // ReplyTimeout (raised for a while), TXDdelay
    const UnitMap& Units;
    OnboardProgram& Onboard;
    RunState& Run;       // a run in progress keeps the transfer from starting; the statistics
    BoardState& Boards;  // the host's account of the exchanges, as a program keeps it
};

enum class OnboardOutcome {
    Complete,   // done ("Operation Complete")
    Overflow,   // the listing held more lines than the editor keeps; those read are kept
    NoTarget,   // no board was selected
    Aborted,    // the board stopped answering, or the line went away
    Cancelled,  // the operator cancelled
    Broken,     // the board's answer broke off: a line too long, or without its end in time
    Refused,    // the board refused the program, or the program does not fit its memory
    Declined,   // the operator answered No to a question before anything was sent
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

    static constexpr uint32_t kExtraLineWaitMs = 300;  // on top of ReplyTimeout, per line
    static constexpr size_t kBoardLineBytes = 300;     // a full 255-character line and its address
    static constexpr uint32_t kUnknownSize = 50000;    // size assumed for a unit not present
    static constexpr int32_t kStarTimeoutMs = 10000;   // star command to an axis or QBoard unit
    static constexpr int32_t kGlobalStarTimeoutMs = 100;
    static constexpr int32_t kWriteEraseTimeoutMs = 7000;
    static constexpr int32_t kEraseTimeoutMs = 10000;
    static constexpr uint32_t kCancelSliceMs = 20;  // a cancel is seen within this long

    OnboardTransfer(OnboardState state, Operator& op, TargetSelector selectTargetBoard);
    OnboardTransfer(const OnboardTransfer&) = delete;
    OnboardTransfer& operator=(const OnboardTransfer&) = delete;

    // Chooses SelectedBoardFamily / SelectedBoardAddress: a lone DBoard, UBoard, HBoard or QBoard
    // unit without asking, a lone AxisBoard unit asking only for the axis, otherwise the
    // operator's choice. False when no board was chosen.
    bool SelectOnboardTarget();
    // The session the operations use (the holder's); nullptr while none is held.
    void UseSession(LineSession* session);
    // Sends text to a unit as an on-board command (input purged first, no reply read). Families
    // 0..7 get the family letter and unit digit in front and a CR; any other family sends the text
    // as given. Returns 1 when the unit is not present (or the family has no units), else 0.
    int SendOnboardCommand(unsigned unit, uint8_t familyCode, const std::string& text);
    // Reads one board line up to CR. False when none came in time, it broke off (no CR in time,
    // or longer than the line buffer), the line went away or the operation was cancelled.
    bool ReadBoardLine();
    const std::string& EndMarker() const { return endMarker_; }

    OnboardOutcome ReadOnboardProgram();
    OnboardOutcome WriteOnboardProgram();
    // Asks "You are going to ERASE a program, Continue?" first (Cancelled when answered No).
    // Erase and run close with their own message: "Operation Complete", or that the unit did not
    // answer (Aborted).
    OnboardOutcome EraseOnboardProgram();
    OnboardOutcome RunOnboardProgram();

    // Why the last operation was aborted ("" when it was not).
    const std::string& AbortReason() const { return abortReason_; }
    // Listing lines the last read dropped because the editor was full.
    size_t DroppedLines() const { return droppedLines_; }

    void RequestCancel();
    void ClearCancel();

  private:
    // How a wait for board output ended: Unended and TooLong are lines that broke off, Refused
    // the error status that ends a load.
    enum class Got { Byte, TimedOut, Cancelled, Lost, Unended, TooLong, Refused };
    // How a star, erase or run command went: Failed is reported already (or cancelled).
    enum class Answer { Done, None, Failed };

    // Why a piece of board output ended, as a wait's result.
    static Got GotOf(LinePiece::End end);
    // One line of board output: its first byte by `firstByteByUs`, all of it within ByteWaitMs
    // of its first byte.
    bool ReadBoardLineBy(uint64_t firstByteByUs);
    bool ReadProgramSize(unsigned unit, uint8_t familyCode);
    bool ReadPrompt(unsigned unit, uint8_t familyCode);
    void DiscardInput();
    void SendLoadData(const std::string& text);
    Answer Command(unsigned unit, uint8_t familyCode, const std::string& text);
    Answer SendEraseCommands(unsigned unit, uint8_t familyCode, int32_t timeoutMs);
    bool ConfirmGlobalCommand(unsigned unit, uint8_t familyCode, const char* verb);
    bool ProgramFits(unsigned unit, uint8_t familyCode, const std::vector<std::string>& lines);
    OnboardOutcome Closing(unsigned unit, uint8_t familyCode, Answer answer, const char* done);
    OnboardOutcome Abort(Got why, const char* waitingFor);
    uint32_t ByteWaitMs() const;
    uint64_t ByteWaitUs() const { return ByteWaitMs() * 1000ull; }

    OnboardState state_;
    Operator& op_;
    BoardStep step_;
    LineSession* session_ = nullptr;
    TargetSelector selectTargetBoard_;

    std::string line_;
    std::string endMarker_;
    std::string abortReason_;
    size_t droppedLines_ = 0;
    std::string refusal_;  // the status text of a refused load

    // The unit whose memory size BoardProgramSize is, once one has told it.
    bool sizeKnown_ = false;
    UnitGroup sizeGroup_ = UnitGroup::DBoard;
    unsigned sizeUnit_ = 0;

    Got lastFailure_ = Got::Byte;  // why the last ReadBoardLine returned false
    std::atomic<bool> cancel_{false};
};

}  // namespace vendra
