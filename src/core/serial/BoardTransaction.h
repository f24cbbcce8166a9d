// The single operation through which every activity talks to one board unit: frame building,
// sending, waiting for and decoding the reply, and the host's position and encoder bookkeeping.
//
// Families (BoardFamily codes): 0 DBoard "D%X%s", 1 UBoard "U%X%s", 2 HBoard "H%X%s", 3..6 the
// W, X, Y, Z axes of an AxisBoard unit and 100 the unit as a whole (text with the unit digit
// inserted after each axis letter), 7 QBoard "Q%X%s", 90..99 raw text plus CR (99 reads and
// decodes the reply, 90..98 leave it unread), any other code raw text with no reply. A text with
// 'G' in its first two characters always goes the AxisBoard way (code 100).
//
// Error rule: a board-reported error, or a reply that is too short to carry a status or names no
// axis, shows its message box (stop icon, system-modal), ends a running program (through
// the ProgramStopper), purges the input and returns 0. A reply time-out, or a reply whose CR never
// comes, returns 0 without a message. Buffers are bounded: a frame too long for its family's
// buffer (150 bytes, QBoard 50, terminator included), or a unit above 15, is refused with a
// message and stops the program; nothing is cut silently. A frame that the open port cannot take
// (the device went away) is reported ("Can not write to the Communications Port") and stops the
// program.
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
#include "core/serial/BoardState.h"
#include "core/serial/Statistics.h"

namespace vendra {

class SerialPort;
class CommDebugLog;
class QeDataLogger;

// BoardFamily codes.
namespace family {
constexpr uint8_t DBoard = 0, UBoard = 1, HBoard = 2, AxisW = 3, AxisX = 4, AxisY = 5, AxisZ = 6,
                  QBoard = 7, AxisUnit = 100, RawNoRead = 90, RawRead = 99;
}

// Sizes of the per-family buffers, terminator included.
constexpr size_t kFrameBufferBytes = 150;
constexpr size_t kQBoardFrameBufferBytes = 50;
constexpr size_t kReplyBufferBytes = 20;

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
    // Logs, counts and writes one frame as it stands (the on-board program transfer's send).
    // False only when the open port failed to take the frame (the device went away).
    bool SendFrame(const std::string& frame);

    // The last frame built and the last reply read for a family code (tests, diagnostics).
    std::string LastFrame(uint8_t familyCode) const;
    std::string LastReply(uint8_t familyCode) const;

  private:
    enum Slot { SlotD, SlotU, SlotH, SlotAxis, SlotQ, kSlots };
    static Slot SlotOf(uint8_t familyCode);

    void CountReply();
    bool Receive(Slot slot);
    void Fail(const std::string& text, const std::string& title, bool purge);
    void Refuse(const std::string& text);
    int LineLost();
    void FileValue(const char* value);

    LinkState state_;
    Operator& op_;
    SerialPort& port_;
    CommDebugLog& log_;
    QeDataLogger& logger_;
    ProgramStopper& stopper_;

    char frame_[kSlots][kFrameBufferBytes]{};
    char reply_[kSlots][kReplyBufferBytes]{};
};

}  // namespace vendra
