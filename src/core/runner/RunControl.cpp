#include "core/runner/RunControl.h"

#include <cctype>

#include "core/base/Waits.h"
#include "core/runner/Runner.h"
#include "core/serial/LineSession.h"

namespace vendra {

RunControl::RunControl(RunnerState state, Operator& op, SerialLine& line, Runner& runner)
    : state_(state), op_(op), line_(line), runner_(runner) {}

void RunControl::RunButtonClick() {
    if (state_.App.ProgramLoaded.load() == 0) {
        op_.ShowMessageBox("No Define file loaded", "Run Button Error ...........", mb::Warning);
        return;
    }
    if (state_.SystemBusy() || runner_.Active()) return;
    state_.Run.AbortRequest = 0;
    state_.Run.RestartPending = 1;
    runner_.Start();
}

void RunControl::AbortButtonClick() {
    RunState& run = state_.Run;
    run.AbortRequest = 1;
    run.StopRun = 1;
    // A running delay ends now: the motors started before it are to stop at once, not when the
    // delay (up to 18 hours for sdelay) has run out. The runner then sends the stop frame.
    if (runner_.Active()) runner_.CutDelay();
    runner_.WakeForAbort();  // a run held on a lost line stops waiting for it
    if (!state_.SystemBusy() && state_.Serial.PortOpen.load() != 0) {
        if (LineSession line = line_.Take(LineUser::MainWindow)) {
            SendStopFrame(line, run);
            DelayMs(op_, 100);
        }
    }
    // A live runner sees the stop order and closes the logger file itself.
    if (!runner_.Active()) runner_.CloseLogger();
}

void RunControl::SingleStepClick() {
    if (state_.Run.DebugMode.load() == 0) return;
    state_.Run.StepRequest = 1;
    runner_.WakeStep();
}

void RunControl::ShowLineOne() {
    state_.Run.StatusLine = 0;
    state_.Run.DisplayRefresh = 1;
}

void RunControl::ResetPointerClick() {
    RunState& run = state_.Run;
    if (run.DebugMode.load() == 0) return;
    run.ProgramPointer = 0;
    run.RestartPending = 1;
    ShowLineOne();
}

void RunControl::ProgramDebugClick(bool checked) {
    RunState& run = state_.Run;
    if (checked) {
        run.DebugMode = 1;
        run.ProgramPointer = 0;
        ShowLineOne();
        run.RestartPending = 1;
        return;
    }
    run.DebugMode = 0;
    run.ProgramRunning = 0;
    run.RestartPending = 0;
    if (runner_.Active()) runner_.RequestEnd();
}

void RunControl::BreakpointsClick(bool checked) {
    if (!checked) state_.Run.BreakpointsEnabled = 0;
}

// ---- breakpoint dialog ----

void RecomputeBreakpointsEnabled(RunState& run) {
    uint32_t any = 0;
    for (const auto& slot : run.BreakpointLines)
        if (slot.load() != 0) any = 1;
    run.BreakpointsEnabled = any;
}

std::array<std::string, kBreakpointEdits> ActivateBreakpointDialog(RunState& run) {
    run.BreakpointsEnabled = 0;
    std::array<std::string, kBreakpointEdits> texts;
    for (int n = 0; n < kBreakpointEdits; ++n)
        texts[n] = std::to_string(run.BreakpointLines[n + 1].load());
    RecomputeBreakpointsEnabled(run);
    return texts;
}

namespace {

// The leading decimal number of a text, the way atol reads it (spaces, a sign, digits), kept wide
// enough that any overlong number still compares as too large.
int64_t LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (value < (int64_t{1} << 40)) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

}  // namespace

void UpdateBreakpoints(RunState& run, Operator& op,
                       const std::array<std::string, kBreakpointEdits>& edits) {
    for (int n = 0; n < kBreakpointEdits; ++n) {
        const int64_t number = LeadingNumber(edits[n]);
        // Compared as unsigned: a negative number counts as far too large.
        if (number < 0 || number > kMaxBreakpointLine) {
            op.ShowMessageBox("Breakpoint #" + std::to_string(n + 1) + " range error. Please redo.",
                              "VDWin - User Input Error", mb::StopModal);
            continue;
        }
        run.BreakpointLines[n + 1] = static_cast<uint32_t>(number);
    }
    RecomputeBreakpointsEnabled(run);
}

}  // namespace vendra
