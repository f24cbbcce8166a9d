// The run statistics: frames sent, reply delays, moves and motor busy time. The board transaction
// counts frames and replies; the runner resets them at the start of a run and counts moves; the
// status display shows them.
// Thread rule: all atomics.
#pragma once
#include <atomic>
#include <cstdint>

namespace vendra {

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
    std::atomic<uint32_t> LinesExecuted{0};  // program lines the runner carried out

    // Zeroes every counter; the low mark of the reply delay starts at `lowMark` (it only falls).
    void Reset(uint32_t lowMark) {
        for (auto* counter :
             {&RunStartTime, &ReplyDelaySum, &ReplyCount, &ReplyDelayMax, &FramesSent,
              &RepliesCounted, &MovesCompleted, &MotorBusyTime, &MoveStartTime, &MoveEndTime,
              &MoveBusyMark, &SendTime, &ReplyTime, &TimerTicks, &LinesExecuted})
            *counter = 0;
        ReplyDelayMin = lowMark;
    }
};

}  // namespace vendra
