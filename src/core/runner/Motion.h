// Motion commands of the runner: asking a motor whether its move is finished, waiting until it
// is, and checking a motor against its linked quadrature encoder with a bounded number of
// corrections.
//
// Error rule: board errors are reported by the board transaction (message, then
// StopProgram); the waits return at their next check. A unit that stops answering in the
// middle of a blocking wait (kMaxSilentPolls status polls of that wait in a row without a reply)
// ends the run with a message instead of being polled forever; a check-done poll that gets no
// reply only counts as "not finished". Unit and record indexes are checked
// before any table is touched: an out-of-range unit is treated as a motor without link and never
// indexes a table. Thread rule: runs on the runner thread only (it holds the line). StopRun is
// written by the GUI thread and read here at every turn of every wait.
#pragma once
#include <cstdint>
#include <functional>

#include "core/base/Operator.h"
#include "core/runner/RunnerState.h"

namespace vendra {

class BoardStep;

// Status query text of a motor code ("\r", "W\r", ...); nullptr for codes without one.
const char* StatusQueryText(uint8_t code);
// Motor letter of correction commands: D, U, H, W, X, Y, Z for codes 0..6; 0 otherwise.
char CorrectionLetter(uint8_t code);
// Completes the current move for the statistics (moves completed, motor busy time).
void UpdateMoveStatistics(Statistics& stats);

class MotionControl {
  public:
    // `pause` sleeps the calling thread for the given ms (the runner's interruptible sleep); the
    // waits use it between polls so that they never spin.
    MotionControl(RunnerState state, Operator& op, BoardStep& step,
                  std::function<void(uint32_t)> pause);

    int CheckDone(unsigned unit, uint8_t code, bool verify);
    void WaitDone(unsigned unit, uint8_t code, bool verify);
    void WaitResponse(unsigned unit, uint8_t code, bool verify);
    void WaitAccepted(unsigned unit, uint8_t code);
    void RefreshLinkedEncoder(unsigned unit, uint8_t code);
    int VerifyEncoder(unsigned unit, uint8_t code);

    static constexpr int kMaxSilentPolls = 3;
    static constexpr uint32_t kPollPauseMs = 2;

  private:
    enum class Poll { Finished, Busy, Silent };
    Poll StatusPoll(unsigned unit, uint8_t code, bool verify, bool qboardIfPresent);
    Poll AxisPoll(unsigned unit, uint8_t code, bool verify);
    int Send(unsigned unit, uint8_t code, const char* text);
    bool Busy(unsigned unit, uint8_t code) const;
    bool InTolerance(int64_t low, int64_t high, uint8_t q, uint8_t ch) const;
    void ReadEncoders(uint8_t q);
    // Counts a wait's status polls without a reply in `silentPolls` (the wait's own count); after
    // kMaxSilentPolls in a row reports and stops the run. True when it stopped the run.
    bool NoteSilence(Poll result, int& silentPolls, unsigned unit, uint8_t code);
    bool Stopped();

    RunnerState state_;
    Operator& op_;
    BoardStep& step_;
    std::function<void(uint32_t)> pause_;
};

}  // namespace vendra
