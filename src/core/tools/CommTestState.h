// What the communication test shares with the rest of the system: the chosen length, whether the
// loop runs, and the progress the main window shows; and the slice of the system state the test
// works on.
// Thread rule: atomics and SharedText; the test's worker writes, the main window's timer reads.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/AppState.h"
#include "core/base/SharedText.h"
#include "core/base/UnitMap.h"
#include "core/runner/RunState.h"
#include "core/serial/BoardState.h"
#include "core/serial/CommDebugState.h"
#include "core/serial/SerialState.h"

namespace vendra {

// The main window's progress group and bar while the test runs. The worker writes; the main
// window's timer reads (it needs no repaint per step). Layout counts changes of the caption and
// range, so that the window applies them once.
struct CommTestProgress {
    SharedText Caption;                  // MainBarGraph's caption
    std::atomic<uint32_t> Maximum{100};  // MainBarProgress: minimum 0, this maximum
    std::atomic<uint32_t> Step{1};       // what one progress step adds
    std::atomic<uint32_t> Position{0};   // the bar's position
    std::atomic<uint32_t> Layout{0};     // changes whenever Caption, Maximum or Step change
};

struct CommTestState {
    std::atomic<uint32_t> TestCount{0};       // steps chosen; 0 = no test
    std::atomic<uint32_t> CommTestActive{0};  // 1 while the test loop runs
    CommTestProgress Progress;
};

// The parts of the system state the test uses.
struct CommTestSystem {
    const AppState& App;  // ProgramLoaded; the selected unit
    SerialState& Serial;  // the line's owner
    BoardState& Boards;   // LastResponseText
    RunState& Run;        // AbortRequest
    const CommDebugState& CommDebug;
    const UnitMap& Units;  // the presence check
    CommTestState& Test;
};

}  // namespace vendra
