#include "network/BaudChange.h"

#include "serial/BoardProtocol.h"
#include "serial/SerialPort.h"

namespace vendra {

int ChangeBaud(SystemState& state, Operator& op, SerialPort& port, uint32_t rate) {
    state.Serial.CurrentBaud = rate;
    port.WriteFrame(protocol::kAbortFrame);
    DelayMs(state, op, 300);
    // No code exists for "No Comm": the boards are not told to move to an undefined rate.
    int code = protocol::RateCode(rate);
    if (code >= 0) {
        port.WriteFrame(protocol::ChangeBaudFrame(code).c_str());
        DelayMs(state, op, 100);
    }
    return port.SetBaudRate(rate) ? 1 : 0;
}

}  // namespace vendra
