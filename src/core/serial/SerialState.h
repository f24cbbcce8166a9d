// State of the one serial line (flags the port layer and its callers share).
// Thread rule: all fields are atomics; the line's owner is taken and given back atomically.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/serial/LineOwner.h"

namespace vendra {

struct SerialState {
    std::atomic<uint32_t> PortOpen{0};
    std::atomic<uint32_t> CurrentBaud{57600};  // 0 = no communication
    std::atomic<uint32_t> TransmitDelay{0};    // ms after each byte; 0 = whole frame at once
    std::atomic<uint32_t> QuietWait{0};        // 1: WaitForReply fails without a message box
    std::atomic<uint32_t> TimeStampFrames{0};  // "Time Stamp" check box
    std::atomic<uint32_t> PumpCounter{0};
    // 1 while the line is a simulated network of the program's own: every run start says so,
    // and its scans are not kept as the machine's units.
    std::atomic<uint32_t> Simulated{0};
    LineOwner Line;  // who exchanges frames on the line now
};

}  // namespace vendra
