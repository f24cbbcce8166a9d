// The operator's run controls: "Run Program", "Abort", "Single Step", "Reset Pointer",
// "Prog. Debug" and "Breakpoints", and the breakpoint dialog's operations, as core operations
// that the main window's handlers call.
//
// Error rule: Run without a loaded program shows "No Define file loaded"; Run while the system is
// busy is ignored; a breakpoint above 10000 is refused per edit with its own message.
// Thread rule: every operation runs on the GUI thread. They write RunState's atomics and wake the
// runner; none blocks for longer than Abort's 100 ms settle time.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/base/Operator.h"
#include "core/runner/RunnerState.h"

namespace vendra {

class SerialLine;
class Runner;

class RunControl {
  public:
    RunControl(RunnerState state, Operator& op, SerialLine& line, Runner& runner);

    void RunButtonClick();
    // Safe whatever the runner does: it only sets flags the runner polls; the global stop frame
    // goes out from here only while nothing else uses the line; the logger file is closed here
    // only when no runner is alive (a live runner closes it itself when it stops). A running
    // delay line ends at once.
    void AbortButtonClick();
    void SingleStepClick();
    void ResetPointerClick();
    // The "Prog. Debug" box's handling. Unchecking it ends a runner that waits for a step (or
    // that is running in debug mode, after its current line).
    void ProgramDebugClick(bool checked);
    // The "Breakpoints" box: unchecking disables every breakpoint (their values stay).
    void BreakpointsClick(bool checked);

  private:
    void ShowLineOne();

    RunnerState state_;
    Operator& op_;
    SerialLine& line_;
    Runner& runner_;
};

// ---- the breakpoint dialog (TBreakpointDialog) without its widgets ----

constexpr int kBreakpointEdits = 6;  // BrkPnt1..BrkPnt6 edit slots 1..6
constexpr uint32_t kMaxBreakpointLine = 10000;

// BreakpointsEnabled = 1 when any of the twelve slots is not 0.
void RecomputeBreakpointsEnabled(RunState& run);
// FormActivate: disables breakpoints, returns the six edits' texts, then recomputes.
std::array<std::string, kBreakpointEdits> ActivateBreakpointDialog(RunState& run);
// "Update": converts each edit (leading decimal digits; none gives 0), refuses numbers above
// 10000 with "Breakpoint #n range error. Please redo." (the slot keeps its value), stores the
// rest, then recomputes.
void UpdateBreakpoints(RunState& run, Operator& op,
                       const std::array<std::string, kBreakpointEdits>& edits);

}  // namespace vendra
