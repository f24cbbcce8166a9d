// The runner's shared state and the run statistics.
// Thread rule: flags, counters and registers are atomics (GUI handlers, the status timer and the
// runner all touch them); status texts are SharedText.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/SharedText.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/Statistics.h"
#include "core/runner/TempRegisters.h"
#include "core/serial/SerialState.h"

namespace vendra {

constexpr int kBreakpointSlots = 12;
// StatusLine before a run (or the debugger) has described a line: the status shows line 1 and no
// command or comment.
constexpr int32_t kNoStatusLine = -1;

// Whether the global stop frame that ended a run (an abort, or a held run that ended) reached the
// line: Unsent when there was no line to write it on, so the boards may still be moving.
enum class StopFrameResult : uint8_t { None, Sent, Unsent };

// The register file and the data logger's flags are parts of the run state that the board
// transaction also touches; it is handed those parts alone.
struct RunState : TempRegisterFile, QeLoggerState {
    std::atomic<int32_t> ProgramPointer{0};
    std::atomic<uint32_t> RestartPending{0};
    std::atomic<uint32_t> ProgramRunning{0};
    std::atomic<uint32_t> DebugMode{0};
    std::atomic<uint32_t> StepRequest{0};
    std::atomic<uint32_t> AbortRequest{0};
    std::atomic<uint32_t> StopRun{0};
    std::atomic<uint32_t> DisplayRefresh{0};

    SharedText LineText, CommandText, CommentText, CloopText;
    // Index of the line the four status texts describe. The runner publishes only this index
    // (one store per line); the status timer formats the texts from it (PublishStatusTexts).
    std::atomic<int32_t> StatusLine{kNoStatusLine};
    // 1 from the moment a runner thread is created until it has finished its last step (it holds
    // the line meanwhile).
    std::atomic<uint32_t> RunnerThreadAlive{0};

    std::atomic<uint32_t> CloopCounter{0};
    std::atomic<uint32_t> CloopActive{0};

    std::atomic<uint32_t> UserValueCell{0};
    std::atomic<uint32_t> LinksPresent{0};

    // The line went away during the run and the runner holds the run at its line until the line
    // is back or the run ends (StopRun is set with it, so that the command under way returns).
    std::atomic<uint32_t> LineHold{0};
    // The runner can hold a run on a lost line (it has a LineRecovery).
    std::atomic<uint32_t> HoldsOnLineLoss{0};
    // The last stop frame of the current run (None until one was called for).
    std::atomic<StopFrameResult> StopFrame{StopFrameResult::None};

    std::atomic<uint32_t> BreakpointLines[kBreakpointSlots]{};
    std::atomic<uint32_t> BreakpointsEnabled{0};

    Statistics Stats;
};

// Ends the run after the current command. Every place that ends a run does it this way.
inline void StopProgram(RunState& run) {
    run.StopRun = 1;
    run.ProgramRunning = 0;
}

// The port's loss handler: a line lost while the runner holds it, and can wait for it, holds the
// run (the command under way returns, the runner keeps the line). False otherwise: the loss ends
// whatever used the line, as it always has.
inline bool HoldRunOnLineLoss(RunState& run, const SerialState& serial) {
    if (serial.Line.Owner() != LineUser::Runner || run.HoldsOnLineLoss.load() == 0) return false;
    run.LineHold = 1;
    run.StopRun = 1;
    return true;
}

// Another activity must not start: the line has an owner, or a program run is in progress (a run
// paused at a breakpoint or between single steps holds no line but must not be disturbed).
inline bool SystemBusy(const SerialState& serial, const RunState& run) {
    return serial.Line.Busy() || run.ProgramRunning.load() != 0;
}

}  // namespace vendra
