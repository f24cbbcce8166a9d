// What a program line does with a board exchange. The exchange itself only builds the frame,
// pairs the reply and says what it found; the step around it keeps the host's own account, as a
// running program needs it: the #TEMP<n># references of the text, the motor positions the frame
// sets (an information query sets none), the communication statistics, the units' last status
// characters, the reply value for move_resp_temp, a QBoard reading with its register copies,
// linked motors and the data logger, the board-error box and the end of the run.
// The communication test and the on-board transfer, whose exchanges the program's own account
// includes, go through a step of their own; the board report and the scan file nothing.
//
// Error rule: a board-reported error, or a reply too short to carry a status, shows its box
// (unless the boxes are off) and ends the run; a frame that cannot be built (a unit above 15, a
// frame too long for its buffer) is refused with a message and ends the run; a frame the open
// port cannot take ("Can not write to the Communications Port") ends the run; a lost device ends
// the run (the port's loss handler holds it when the runner can wait for the line). A reply
// time-out returns 0 without a message. Nothing throws.
// Thread rule: the thread that holds the line (UseSession). TransactionActive is 1 while a
// command or poll runs.
#pragma once
#include <cstdint>
#include <string>

#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/runner/RunState.h"
#include "core/serial/BoardExchange.h"
#include "core/serial/BoardState.h"

namespace vendra {

class QeDataLogger;

// The parts of the system state a board step files into.
struct BoardStepState {
    BoardState& Boards;
    const UnitMap& Units;  // a unit that did not answer at initialisation is not waited for
    RunState& Run;         // statistics, registers, the data logger's flags, the stop flags
};

class BoardStep {
  public:
    // `logger`: where QBoard readings go while the data logger is on (nullptr: nowhere).
    BoardStep(BoardStepState state, Operator& op, QeDataLogger* logger);

    // The session the steps use (the holder's); nullptr while no line is held.
    void UseSession(LineSession* session) { session_ = session; }
    LineSession* Session() const { return session_; }

    // Sends `text` to unit `unit` of family `familyCode` and files what came back; 1 on success
    // (or when no reply is awaited), 0 on failure.
    int Command(unsigned unit, uint8_t familyCode, const std::string& text);
    // Reads and files a reply that an earlier command already asked for (codes 0..6, 100; other
    // codes only wait for it to begin). A reply that does not come stops the program without a
    // message: the caller says which unit did not answer (PollGotNoReply).
    int Poll(unsigned unit, uint8_t familyCode);
    bool PollGotNoReply() const { return pollGotNoReply_; }
    // The last Command awaited a reply that did not come in time, or broke off.
    bool CommandGotNoReply() const { return commandGotNoReply_; }
    // Writes one frame as it stands (logged, counted); false only when it did not go out because
    // the device went away.
    bool SendFrame(const std::string& frame, Sending how = Sending::Logged);

    // With the boxes off a board error shows no box: the caller counts its failed exchanges and
    // tells the operator itself (the communication test, which would otherwise raise one box per
    // step). On by default.
    void SetFailureBoxes(bool shown) { failureBoxes_ = shown; }
    // The text of the board error or unreadable reply that the last command or poll met; empty
    // when it met none.
    const std::string& LastFailure() const { return lastFailure_; }
    // The last frame built and the last reply read (tests, diagnostics).
    const BoardAnswer& LastAnswer() const { return last_; }

  private:
    void TrackFrame(const BoardFrame& frame);
    void File(const BoardAnswer& answer, int qeChannel, int qeMode);
    void CountSend(uint32_t sentMs);
    int Fail(const BoardAnswer& answer);

    BoardStepState state_;
    Operator& op_;
    QeDataLogger* logger_;
    LineSession* session_ = nullptr;
    bool failureBoxes_ = true;
    bool pollGotNoReply_ = false;
    bool commandGotNoReply_ = false;
    std::string lastFailure_;
    BoardAnswer last_;
};

}  // namespace vendra
