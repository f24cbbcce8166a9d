// A virtual clock in place of the core's: time moves only when something waits (the fake line's
// waits, SleepMs), so a fuzz input that makes the host wait seconds costs no real time. Every look
// at the clock also moves it on by a microsecond, so that no loop that watches it can stand still.
#include "FakeLine.h"
#include "core/base/Clock.h"

namespace vendra {
namespace fuzz {
namespace {
uint64_t nowUs = 1'000'000'000;
}  // namespace

uint64_t VirtualNowUs() {
    return nowUs;
}
void AdvanceToUs(uint64_t us) {
    if (us > nowUs) nowUs = us;
}
}  // namespace fuzz

uint32_t TickMs() {
    fuzz::AdvanceToUs(fuzz::VirtualNowUs() + 1);
    return static_cast<uint32_t>(fuzz::VirtualNowUs() / 1000);
}
uint64_t TickUs() {
    fuzz::AdvanceToUs(fuzz::VirtualNowUs() + 1);
    return fuzz::VirtualNowUs();
}
std::time_t CalendarSeconds() {
    return static_cast<std::time_t>(fuzz::VirtualNowUs() / 1'000'000);
}
void SleepMs(uint32_t ms) {
    fuzz::AdvanceToUs(fuzz::VirtualNowUs() + uint64_t{ms} * 1000);
}

}  // namespace vendra
