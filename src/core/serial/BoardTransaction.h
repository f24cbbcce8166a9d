// The single operation through which every activity talks to one board unit: frame building,
// sending, waiting for and decoding the reply, and the host's position and encoder bookkeeping.
//
// Error rule: a board-reported error shows its message box (stop icon, system-modal), stops a
// running program (StopRun = 1, ProgramRunning = 0) and returns 0; a reply time-out returns 0
// without a message. Buffers are bounded: a command text too long for its frame is refused with
// a message, never cut silently.
// Thread rule: called from the GUI thread or one worker at a time (SystemBusy);
// TransactionActive is 1 while a transaction or poll runs.
#pragma once
#include <cstdint>
#include <string>

#include "app/Operator.h"
#include "app/SystemState.h"

namespace vendra {

class SerialPort;
class CommDebugLog;
class QeDataLogger;

// BoardFamily codes.
namespace family {
constexpr uint8_t DBoard = 0, UBoard = 1, HBoard = 2, AxisW = 3, AxisX = 4, AxisY = 5, AxisZ = 6,
                  QBoard = 7, AxisUnit = 100, RawNoRead = 90, RawRead = 99;
}

class BoardLink {
  public:
    BoardLink(SystemState& state, Operator& op, SerialPort& port, CommDebugLog& log,
              QeDataLogger& logger);

    int BoardTransaction(unsigned unit, uint8_t familyCode, const std::string& text);
    int PollReply(unsigned unit, uint8_t familyCode);
    void SendFrame(const std::string& frame);

  private:
    SystemState& state_;
    Operator& op_;
    SerialPort& port_;
    CommDebugLog& log_;
    QeDataLogger& logger_;
};

}  // namespace vendra
