// The scan for the boards' baud rate ("Scan for Boards" in the terminal): from 9600 upwards, each
// rate is probed with the five families' "v0" queries until some unit answers. The rate found is
// reported, not adopted: the port goes back to the rate it had.
//
// Error rule: results are reported by message box ("Found one or more boards with a baudrate of
// %u" or "Sorry, no boards found on the network", title "Communication Scan Complete!"). With no
// port or "No Comm" the scan does nothing. A line that goes away during the scan ends it: the port
// layer has reported the loss, so no result box follows.
// Thread rule: runs on the thread that holds the session (the terminal's scan worker). The view's
// functions are called on that thread.
#pragma once
#include <cstdint>
#include <functional>

#include "core/base/Operator.h"
#include "core/network/NetworkInit.h"

namespace vendra {

// What the scan shows while it runs: the progress bar (0..100 in steps of 4, one step per family
// probe) and the "Scan for Boards" button.
struct BaudScanView {
    std::function<void(int percent)> Progress;
    std::function<void(bool enabled)> ScanButtonEnabled;
};

struct BaudScanResult {
    uint32_t FoundRate = 0;  // 0: no unit answered
    int Passes = 0;          // rates probed
    bool LineLost = false;
};

// At most five passes: 9600, 19200, 38400, 57600, 115200 (each "GG*\r", 200 ms, then the five
// families probed with the normal ReplyTimeout).
BaudScanResult ScanBaudRates(NetworkState state, Operator& op, LineSession& session,
                             NetworkInitialiser& network, const BaudScanView& view = {});

}  // namespace vendra
