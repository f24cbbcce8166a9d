// Flags of the communications debug log. Thread rule: all atomics.
#pragma once
#include <atomic>
#include <cstdint>

namespace vendra {

struct CommDebugState {
    std::atomic<uint32_t> CommDebugEnabled{0};
    std::atomic<uint32_t> CommDebugWindowOpen{0};
    std::atomic<uint32_t> CommDebugWindowReady{0};
    std::atomic<uint32_t> CommDebugLineNumber{0};
};

}  // namespace vendra
