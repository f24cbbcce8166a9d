// Moving the whole network to another baud rate: every board is told the new rate at the old one,
// then the port follows.
// Error rule: returns what SetBaudRate returns (1 switched, 0 not); no message of its own.
// Thread rule: called on the GUI thread after the baud-rate dialog, while nothing else uses the
// port (the menu item is only enabled when units were found and the system is idle).
#pragma once
#include <cstdint>

#include "core/base/Operator.h"

namespace vendra {

class LineSession;

// CurrentBaud = rate; "GG!\r", 300 ms; "GGc<code>\r", 100 ms; then SetBaud(rate). For a rate
// without a code (0, "No Comm") no change frame is sent and the port keeps its rate.
int ChangeBaud(Operator& op, LineSession& session, uint32_t rate);

}  // namespace vendra
