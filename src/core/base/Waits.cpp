// PumpMessages, DelayMs and DelaySeconds: the waits every long loop of the host goes through.
// They sleep in short slices and let the GUI run between slices; none spins a core.
#include "core/base/Waits.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/base/Clock.h"

namespace vendra {

namespace {
// Slice of DelayMs and DelaySeconds: short enough that the windows stay responsive.
constexpr uint64_t kDelaySliceUs = 5000;

void SleepUs(uint64_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}
}  // namespace

void PumpMessages(std::atomic<uint32_t>& counter, Operator& op) {
    // One round of GUI events per 101 calls keeps tight loops cheap.
    uint32_t count = counter.load();
    if (count < 100) {
        counter.store(count + 1);
        return;
    }
    counter.store(0);
    op.ProcessEvents();
}

void DelayMs(Operator& op, uint32_t ms) {
    // The wait ends one tick after `ms` have passed: at least ms + 1 ms.
    uint64_t end = TickUs() + (static_cast<uint64_t>(ms) + 1) * 1000;
    for (uint64_t now = TickUs(); now < end; now = TickUs()) {
        SleepUs(std::min(end - now, kDelaySliceUs));
        op.ProcessEvents();
    }
}

void DelaySeconds(Operator& op, uint32_t seconds) {
    // Whole calendar seconds: the wait lasts between seconds - 1 and seconds.
    std::time_t end = CalendarSeconds() + static_cast<std::time_t>(seconds);
    while (CalendarSeconds() < end) {
        SleepUs(kDelaySliceUs * 2);
        op.ProcessEvents();
    }
}

}  // namespace vendra
