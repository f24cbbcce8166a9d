// The waiting helpers every long loop of the host goes through. They sleep in short slices and
// let the GUI run between slices (Operator::ProcessEvents, a no-op off the GUI thread); none spins
// a core. Thread rule: safe from any thread.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/Operator.h"

namespace vendra {

// Processes GUI events once per 101 calls (counted in `counter`), which keeps tight loops cheap.
void PumpMessages(std::atomic<uint32_t>& counter, Operator& op);
// Sleeps at least ms + 1 ms.
void DelayMs(Operator& op, uint32_t ms);
// Whole calendar seconds: lasts between seconds - 1 and seconds.
void DelaySeconds(Operator& op, uint32_t seconds);

}  // namespace vendra
