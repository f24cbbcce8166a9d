// Waiting for a line that went away during a run. The runner holds the run at its line and hands
// the wait here: the operator is told that the program waits for the line, the device the port had
// open is looked for every kPollMs and reopened at the same rate as soon as it is there, and every
// unit of the unit map is asked its "v0" again. When all answer as before, the operator decides
// whether the run goes on at the held line (the boards may have moved meanwhile, and the question
// says when the held line's command had already reached the line and would be sent again); a unit
// missing or answering otherwise is named and the run can only end. The window waits until the
// operator ends the run; the command-line runner sets a limit.
//
// Error rule: every end other than Resume is reported through the Operator (a box naming the
// reason), except an end the operator asked for (Abort, declining to resume), which only sets
// the system message. Nothing throws.
// Thread rule: Recover runs on the runner thread, which holds the line; SetLimitMs and
// AddHeldHook are for set-up before runs; LastEnd, LastEndText and ReopenedAtUs may be read from
// any thread once the run has ended.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/Configuration.h"
#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/network/UnitRecheck.h"
#include "core/runner/LineRecovery.h"
#include "core/serial/SerialState.h"

namespace vendra {

class SerialLine;
class NetworkInitialiser;

// The parts of the system state the reconnection uses.
struct ReconnectState {
    SerialState& Serial;  // the rate the line is reopened at
    const Configuration& Config;
    const UnitMap& Units;
};

class LineReconnect final : public LineRecovery {
  public:
    // How often the device is looked for while the line is down.
    static constexpr uint32_t kPollMs = 500;
    // Shortest wait for a unit's answer when the units are asked again.
    static constexpr uint32_t kLeastAnswerMs = 20;

    enum class End { None, Resumed, Stopped, TimedOut, UnitsChanged, Declined };

    LineReconnect(ReconnectState state, Operator& op, NetworkInitialiser& network);

    // How long the device is waited for, from the loss on: negative until the run is ended by
    // the operator (the default), 0 not at all.
    void SetLimitMs(int64_t ms) { limitMs_ = ms; }
    // Work done as soon as a run is held, after the data logger was flushed (the command-line
    // runner writes its communications log file).
    void AddHeldHook(std::function<void()> hook) { heldHooks_.push_back(std::move(hook)); }

    Outcome Recover(LineSession& session, const HeldRun& held, const Pause& pause) override;

    // Asks every unit of the unit map that no scan recorded (units named by hand) its "v0" and
    // keeps the answer, so that after a lost line it is compared as a scanned unit's is. Returns
    // the units that did not answer.
    std::vector<UnitDifference> RecordUnitIdentities(LineSession& session);

    // How the last recovery ended, and why in words ("" when it resumed or was stopped).
    End LastEnd() const { return lastEnd_.load(); }
    std::string LastEndText() const;
    // The microsecond tick at which the device was open again in the last recovery (0: never).
    uint64_t ReopenedAtUs() const { return reopenedAtUs_.load(); }

  private:
    // How long each unit's "v0" answer is waited for.
    uint32_t AnswerMs() const;
    Outcome Finish(End end, const std::string& text);
    // Tries the device every kPollMs until it opens; false when the run is to end meanwhile
    // (stopped, or the limit reached: then reported).
    bool AwaitDevice(LineSession& session, const std::string& path, uint32_t baud,
                     uint64_t lostAtUs, uint32_t line, const Pause& pause);

    ReconnectState state_;
    Operator& op_;
    NetworkInitialiser& network_;
    int64_t limitMs_ = -1;
    std::vector<std::function<void()>> heldHooks_;
    std::atomic<End> lastEnd_{End::None};
    mutable std::mutex textMutex_;
    std::string lastEndText_;
    std::atomic<uint64_t> reopenedAtUs_{0};
};

}  // namespace vendra
