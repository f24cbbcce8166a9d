// Time sources of the host: a millisecond tick that wraps like a 32-bit tick counter, and calendar
// seconds. Thread rule: all functions are safe from any thread.
#pragma once
#include <cstdint>
#include <ctime>

namespace vendra {

// Milliseconds since an arbitrary start, on the monotonic clock; wraps at 2^32.
uint32_t TickMs();
// Microseconds on the monotonic clock, for measurements.
uint64_t TickUs();
// Current calendar time in whole seconds.
std::time_t CalendarSeconds();
// Sleeps the calling thread (no message pumping).
void SleepMs(uint32_t ms);

}  // namespace vendra
