// The single operation through which every activity talks to one board unit: frame building,
// sending, waiting for and decoding the reply, and the host's position and encoder bookkeeping.
//
// Families (BoardFamily codes): 0 DBoard "D%X%s", 1 UBoard "U%X%s", 2 HBoard "H%X%s", 3..6 the
// W, X, Y, Z axes of an AxisBoard unit and 100 the unit as a whole (text with the unit digit
// inserted after each axis letter), 7 QBoard "Q%X%s", 90..99 raw text plus CR (99 reads and
// decodes the reply, 90..98 leave it unread), any other code raw text with no reply. A text with
// 'G' in its first two characters always goes the AxisBoard way (code 100).
//
// Replies are paired with their frames: before a frame is sent, bytes left from earlier exchanges
// are discarded; a reply is taken only when its reply letter and unit digit are those of the
// frame's family and unit (BoardProtocol's ReplyMatches, RawReplyMatches). Any other line is
// discarded and the wait goes on until the time-out, so a late reply or one from another unit
// never passes for this frame's answer. Since a unit answers in order, a unit whose answer missed
// its time-out is given up to kLateReplyMs for it before its next frame is sent.
//
// Error rule: a board-reported error, or a reply that is too short to carry a status, shows its
// message box (stop icon, system-modal; none while the caller has turned such boxes off, see
// SetFailureBoxes), keeps its text (LastFailure), ends a running program (through the
// ProgramStopper), purges the input and returns 0. A reply time-out, or a reply whose CR never
// comes, returns 0 without a message. Buffers are bounded: a frame too long for its family's
// buffer (150 bytes, QBoard 50, terminator included), or a unit above 15, is refused with a
// message and stops the program; nothing is cut silently. A device that went away, or a frame that
// the open port cannot take, is reported ("Can not write to the Communications Port" unless the
// port layer has said the device is lost) and stops the program; a runner that can wait for the
// line holds the run instead (the port's loss handler has set RunState::LineHold). A port that
// is closed and was never lost (No Comm, or no port opened) is no failure of the line: nothing is
// sent and an exchange that awaits a reply returns 0, as a time-out does.
// Thread rule: called by the activity that holds the line (LineOwner);
// TransactionActive is 1 while a transaction or poll runs. Message boxes are raised from the
// calling thread through the Operator.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/Configuration.h"
#include "core/base/Operator.h"
#include "core/base/ProgramStopper.h"
#include "core/base/TempRegisters.h"
#include "core/base/UnitMap.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/BoardState.h"
#include "core/serial/Statistics.h"

namespace vendra {

class SerialPort;
class CommDebugLog;
class QeDataLogger;

// Reply buffers hold this many bytes, terminator included.
constexpr size_t kReplyBufferBytes = protocol::kReplyBufferSize;

// Fills `text` with the status text of a reply's status character and returns true for success,
// false for a board error (the reply status table of the board protocol).
bool DecodeReplyStatus(char status, std::string& text);

// The parts of the system state the transaction uses.
struct LinkState {
    BoardState& Boards;
    const UnitMap& Units;  // a unit that did not answer at initialisation is not waited for
    const Configuration& Config;
    Statistics& Stats;
    TempRegisterFile& Registers;
    // The runner's program pointer: sent frames are logged with its line number.
    const std::atomic<int32_t>& ProgramPointer;
};

class BoardLink {
  public:
    // `stopper` ends the user program's run on a board error or a lost line.
    BoardLink(LinkState state, Operator& op, SerialPort& port, CommDebugLog& log,
              QeDataLogger& logger, ProgramStopper& stopper);
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    // Sends `text` to unit `unit` of family `familyCode`; 1 on success (or when no reply is
    // awaited), 0 on failure.
    int BoardTransaction(unsigned unit, uint8_t familyCode, const std::string& text);
    // Reads and decodes a reply that an earlier command already asked for (codes 0..6, 100).
    // Waits at most 300 ms; a time-out stops the program without a message.
    int PollReply(unsigned unit, uint8_t familyCode);
    // The last PollReply ended because no answer of its unit came (or it broke off): it stopped
    // the program without a message, and its caller says which unit did not answer.
    bool PollGotNoReply() const { return pollGotNoReply_; }
    // With the boxes off, a board error or an unreadable reply shows no message box: the caller
    // counts its failed exchanges and tells the operator itself (the communication test, which
    // would otherwise raise one box per step). Set by the line's holder; on by default.
    void SetFailureBoxes(bool shown) { failureBoxes_ = shown; }
    // The text of the board error or unreadable reply that the last transaction or poll met;
    // empty when it met none.
    const std::string& LastFailure() const { return lastFailure_; }
    // The last BoardTransaction awaited a reply that did not come in time, or broke off.
    bool TransactionGotNoReply() const { return transactionGotNoReply_; }
    // Logs, counts and writes one frame as it stands (the on-board program transfer's send).
    // False only when the frame did not go out because the device went away (now or before).
    // `mayStamp` false: never time-stamped (program data, which a board would store as it is).
    bool SendFrame(const std::string& frame, bool mayStamp = true);

    // How long after its time-out a late answer is still waited for before the unit's next
    // frame. Counted from the time-out, so that every reply time-out leaves a late answer room.
    static constexpr uint32_t kLateReplyMs = 500;

    // The last frame built and the last reply read for a family code (tests, diagnostics).
    std::string LastFrame(uint8_t familyCode) const;
    std::string LastReply(uint8_t familyCode) const;

  private:
    enum Slot { SlotD, SlotU, SlotH, SlotAxis, SlotQ, kSlots };
    static Slot SlotOf(uint8_t familyCode);
    // How a reply's status is filed: the transaction takes an axis from the reply letter; a poll
    // files it under the family it was given and leaves LastResponseText alone.
    enum class Decoding { Transaction, Poll };

    // The steps of one exchange.
    bool BuildFrame(unsigned unit, uint8_t familyCode, const std::string& text, std::string& frame);
    void TrackPosition(unsigned unit, uint8_t familyCode, const std::string& frame);
    // Waits for the first byte of the reply; false on a time-out or a lost line.
    bool AwaitReply(uint32_t timeoutMs);
    // What the frame's answer must look like: the family and unit it went to, and for raw text
    // the text itself (which may name its unit).
    struct Expected {
        uint8_t familyCode;
        unsigned unit;
        const char* rawText;
    };
    enum class Reception { Answered, TimedOut, Broken };
    // Reads reply lines until one can be the frame's answer (into the family's buffer) or
    // timeoutMs have passed since the call. Lines that cannot be its answer are discarded, shown
    // in the log as such, and the wait goes on. Broken: a line whose CR never came.
    Reception Receive(Slot slot, uint32_t timeoutMs, const Expected& expected);
    // Bytes still waiting from earlier exchanges are no answer to the next frame: they are
    // thrown away before it is sent, and shown in the log.
    void DiscardStale();
    // A unit answers its frames in order, so an answer that missed its time-out would pass for
    // the answer to the unit's next frame. The next frame to such a unit first waits for the late
    // answer (discarding what comes), at most kLateReplyMs after the wait for it timed out.
    void AwaitOwedReply(UnitGroup group, unsigned unit);
    void NoteOwed(UnitGroup group, unsigned unit, uint64_t timedOutUs);
    // A discarded line may be the late answer some unit owed.
    void NoteDiscarded(const char* line);
    // Files the reply's status and tells success; a board error or an unreadable reply is
    // reported (Fail) and gives false.
    bool DecodeReply(unsigned unit, uint8_t familyCode, const char* reply, Decoding how);

    void CountReply();
    void Fail(const std::string& text, const std::string& title, bool purge);
    void Refuse(const std::string& text);
    // The line could not carry the exchange: a lost device stops the program; a port that was
    // closed all along gives 0 like a time-out.
    int NoLine();
    void FileValue(const char* value);

    LinkState state_;
    Operator& op_;
    SerialPort& port_;
    CommDebugLog& log_;
    QeDataLogger& logger_;
    ProgramStopper& stopper_;

    bool pollGotNoReply_ = false;
    std::atomic<bool> failureBoxes_{true};
    std::string lastFailure_;
    bool transactionGotNoReply_ = false;
    // Per unit: when the wait for an answer it still owes timed out (0: none owed).
    uint64_t owedSinceUs_[kUnitGroups][16] = {};
    char frame_[kSlots][protocol::kFrameBufferSize]{};
    char reply_[kSlots][kReplyBufferBytes]{};
};

}  // namespace vendra
