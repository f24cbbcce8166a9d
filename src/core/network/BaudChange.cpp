#include "core/network/BaudChange.h"

#include "core/serial/BoardProtocol.h"
#include "core/serial/SerialPort.h"

namespace vendra {

int ChangeBaud(Operator& op, SerialPort& port, uint32_t rate) {
    port.State().CurrentBaud = rate;
    port.WriteFrame(protocol::kAbortFrame);
    DelayMs(op, 300);
    // No code exists for "No Comm": the boards are not told to move to an undefined rate.
    int code = protocol::RateCode(rate);
    if (code >= 0) {
        port.WriteFrame(protocol::ChangeBaudFrame(code).c_str());
        DelayMs(op, 100);
    }
    return port.SetBaudRate(rate) ? 1 : 0;
}

}  // namespace vendra
