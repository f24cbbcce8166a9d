// The seven values of "Config.cfg". Thread rule: atomics (the dialog writes, workers read).
#pragma once
#include <atomic>
#include <cstdint>

namespace vendra {

struct Configuration {
    std::atomic<int32_t> CommPortNumber{1};
    std::atomic<int32_t> ReplyTimeout{120};
    std::atomic<int32_t> MainWindowTime{200};
    std::atomic<int32_t> TempWinTime{250};
    std::atomic<int32_t> TXDdelay{0};
    std::atomic<int32_t> EncoderWinTime{250};
    std::atomic<int32_t> InitTimeout{60};
};

}  // namespace vendra
