// The temporary registers of the user program. The runner owns them; its board step also reads
// them (#TEMP<n># in a frame) and writes the QBoard copies (40 + 2 x unit + channel), and the
// register display shows them.
// Thread rule: atomics; a display reads them while the runner writes.
#pragma once
#include <atomic>
#include <cstdint>

namespace vendra {

constexpr int kTempRegisters = 74;

struct TempRegisterFile {
    std::atomic<uint32_t> TempRegisters[kTempRegisters]{};
    // Set by every write, cleared by the display that has shown the new value.
    std::atomic<uint32_t> TempRegisterChanged[kTempRegisters]{};
};

}  // namespace vendra
