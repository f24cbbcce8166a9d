#include "core/network/BaudChange.h"

#include "core/base/Waits.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/LineSession.h"

namespace vendra {

int ChangeBaud(Operator& op, LineSession& session, uint32_t rate) {
    session.SetCurrentBaud(rate);
    session.SendStopFrame();
    DelayMs(op, 300);
    // No code exists for "No Comm": the boards are not told to move to an undefined rate.
    int code = protocol::RateCode(rate);
    if (code >= 0) {
        session.Send(protocol::ChangeBaudFrame(code), Sending::Quiet);
        DelayMs(op, 100);
    }
    return session.SetBaud(rate) ? 1 : 0;
}

}  // namespace vendra
