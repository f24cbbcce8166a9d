// The runner's shared state and the run statistics.
// Thread rule: flags, counters and registers are atomics (GUI handlers, the status timer and the
// runner all touch them); status texts are SharedText.
#pragma once
#include <atomic>
#include <cstdint>

#include "app/SharedText.h"

namespace vendra {

constexpr int kTempRegisters = 74;
constexpr int kBreakpointSlots = 12;

struct Statistics {
    std::atomic<uint32_t> RunStartTime{0};
    std::atomic<uint32_t> ReplyDelaySum{0};
    std::atomic<uint32_t> ReplyCount{0};
    std::atomic<uint32_t> ReplyDelayMin{0xFFFFFF};
    std::atomic<uint32_t> ReplyDelayMax{0};
    std::atomic<uint32_t> FramesSent{0};
    std::atomic<uint32_t> RepliesCounted{0};
    std::atomic<uint32_t> MovesCompleted{0};
    std::atomic<uint32_t> MotorBusyTime{0};
    std::atomic<uint32_t> MoveStartTime{0};
    std::atomic<uint32_t> MoveEndTime{0};
    std::atomic<uint32_t> MoveBusyMark{0};
    std::atomic<uint32_t> SendTime{0};
    std::atomic<uint32_t> ReplyTime{0};
    std::atomic<uint32_t> TimerTicks{0};

    // Zeroes every counter; the low mark of the reply delay starts at `lowMark` (it only falls).
    void Reset(uint32_t lowMark) {
        for (auto* counter : {&RunStartTime, &ReplyDelaySum, &ReplyCount, &ReplyDelayMax,
                              &FramesSent, &RepliesCounted, &MovesCompleted, &MotorBusyTime,
                              &MoveStartTime, &MoveEndTime, &MoveBusyMark, &SendTime, &ReplyTime,
                              &TimerTicks})
            *counter = 0;
        ReplyDelayMin = lowMark;
    }
};

struct RunState {
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
    std::atomic<int32_t> StatusLine{0};
    // 1 from the moment a runner thread is created until it has finished its last step. Counted
    // by SystemBusy, so no other activity takes the line while a runner still finishes a line.
    std::atomic<uint32_t> RunnerThreadAlive{0};

    std::atomic<uint32_t> CloopCounter{0};
    std::atomic<uint32_t> CloopActive{0};

    std::atomic<uint32_t> TempRegisters[kTempRegisters]{};
    std::atomic<uint32_t> TempRegisterChanged[kTempRegisters]{};
    std::atomic<uint32_t> UserValueCell{0};
    std::atomic<uint32_t> LinksPresent{0};

    // QBoard data logger; the file itself belongs to the runner's logger object.
    std::atomic<uint32_t> QeLoggerOpen{0};
    std::atomic<uint32_t> QeLoggerActive{0};
    std::atomic<int32_t> QeValuesPerLine{0};
    std::atomic<int32_t> QeColumn{0};

    std::atomic<uint32_t> BreakpointLines[kBreakpointSlots]{};
    std::atomic<uint32_t> BreakpointsEnabled{0};

    Statistics Stats;
};

}  // namespace vendra
