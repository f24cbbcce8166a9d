// Application-wide flags and names shown by the main window.
// Thread rule: numeric fields are atomics; texts are SharedText.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/SharedText.h"

namespace vendra {

struct AppState {
    std::atomic<uint32_t> FirstActivationDone{0};
    std::atomic<uint32_t> ProgramLoaded{0};
    SharedText ProgramName{"None Loaded"};
    SharedText ProgramPath;
    std::atomic<uint8_t> SelectedBoardFamily{0};
    std::atomic<uint8_t> SelectedBoardAddress{0};
};

}  // namespace vendra
