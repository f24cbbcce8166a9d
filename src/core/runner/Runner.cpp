#include "core/runner/Runner.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/base/Clock.h"
#include "core/program/CommandTable.h"
#include "core/runner/LineRepeat.h"
#include "core/runner/QeDataLogger.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {
constexpr uint32_t kAbortSettleMs = 400;   // after "GG!\r", before the run ends
constexpr uint32_t kNoReplyYet = 9999999;  // minimum reply delay before the first reply
constexpr uint32_t kLineWatchMs = 250;     // how often a delay looks whether the line is there
}  // namespace

bool SendStopFrame(LineSession& session, RunState& run) {
    const bool sent = session.SendStopFrame();
    run.StopFrame = sent ? StopFrameResult::Sent : StopFrameResult::Unsent;
    return sent;
}

Runner::Runner(RunnerState state, Operator& op, SerialLine& line, CommDebugLog& log,
               QeDataLogger& logger)
    : state_(state),
      op_(op),
      line_(line),
      log_(log),
      logger_(logger),
      step_({state.Boards, state.Units, state.Run}, op, &logger),
      motion_(state, op, step_, [this](uint32_t ms) { Sleep(ms); }) {}

Runner::~Runner() {
    shutdown_ = true;
    state_.Run.StopRun = 1;  // ends motion waits at their next check
    Notify();
}

void Runner::Notify() {
    { std::lock_guard<std::mutex> lock(mutex_); }
    cv_.notify_all();
}

bool Runner::Start() {
    if (worker_.Running()) return false;
    LineSession line = line_.Take(LineUser::Runner, StopToken(&shutdown_));
    if (!line) return false;

    RunState& run = state_.Run;
    if (run.RestartPending.load()) {
        run.StepRequest = 0;
        run.ProgramPointer = 0;
        Statistics& s = run.Stats;
        s.Reset(kNoReplyYet);
        uint32_t now = TickMs();
        s.RunStartTime = now != 0 ? now : 1;  // 0 means "never ran"
        run.RestartPending = 0;
        run.ProgramRunning = 1;
        run.DisplayRefresh = 1;
        run.StopRun = 0;
        run.CloopActive = 0;
        run.CloopCounter = 0;
        // Never to be taken for a run on the machine.
        if (state_.Serial.Simulated.load() != 0)
            op_.SetSystemMessage(
                "SIMULATED NETWORK: this run drives simulated boards, "
                "no byte goes to a real device");
    }
    run.AbortRequest = 0;
    run.LineHold = 0;
    run.StatusLine = run.ProgramPointer.load();
    run.StopFrame = StopFrameResult::None;
    endRequested_ = false;
    delayCut_ = false;
    run.RunnerThreadAlive = 1;
    held_ = std::move(line);
    return worker_.Start([this](StopToken) { Execute(); },
                         [this] { op_.ActivityEnded(Activity::Run); });
}

void Runner::WakeStep() {
    Notify();
}

void Runner::RequestEnd() {
    endRequested_ = true;
    Notify();
}

void Runner::Execute() {
    LineSession& line = held_;
    session_ = &line;
    step_.UseSession(&line);
    Finish how = Loop();
    // An abort that ended the run inside a board command or a motion wait still stops the
    // motors: the operator pressed Abort to stop the machine, not only the program.
    RunState& run = state_.Run;
    if (run.AbortRequest.load() && run.StopFrame.load() != StopFrameResult::Sent)
        SendStopFrame(line, run);
    FinishLogger(how);
    run.LineHold = 0;  // a loss seen by the last stop frame holds nothing any more
    step_.UseSession(nullptr);
    session_ = nullptr;
    line.Release();
    run.RunnerThreadAlive = 0;
}

bool Runner::Sleep(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return shutdown_.load(); });
}

bool Runner::DelayLine(uint32_t ms) {
    const RunState& run = state_.Run;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    const bool watch = run.HoldsOnLineLoss.load() != 0;
    auto over = [&] { return shutdown_.load() || delayCut_.load() || run.LineHold.load() != 0; };
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            auto until = end;
            if (watch)
                until = std::min(end, std::chrono::steady_clock::now() +
                                          std::chrono::milliseconds(kLineWatchMs));
            cv_.wait_until(lock, until, over);
            if (over() || std::chrono::steady_clock::now() >= end) break;
        }
        WatchLine();
    }
    return !shutdown_.load();
}

bool Runner::DelayLineSeconds(uint32_t seconds) {
    // Whole calendar seconds, as the seconds delay has always counted them.
    const std::time_t end = CalendarSeconds() + static_cast<std::time_t>(seconds);
    while (CalendarSeconds() < end && !delayCut_.load() && state_.Run.LineHold.load() == 0) {
        if (!DelayLine(50)) return false;
        WatchLine();
    }
    return !shutdown_.load();
}

void Runner::WatchLine() {
    if (state_.Run.HoldsOnLineLoss.load() == 0 || session_ == nullptr || !session_->IsOpen())
        return;
    const uint64_t now = TickUs();
    if (now - lastWatchUs_ < kLineWatchMs * 1000ull) return;
    lastWatchUs_ = now;
    // A device that went away answers the look with a hang-up; the port's loss handler then holds
    // the run. Waiting input (a late answer) is left where it is.
    session_->StillThere();
}

void Runner::SetLineRecovery(LineRecovery* recovery) {
    recovery_ = recovery;
    state_.Run.HoldsOnLineLoss = recovery != nullptr ? 1 : 0;
}

bool Runner::HoldPause(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ended = [&] {
        return shutdown_.load() || endRequested_.load() || state_.Run.AbortRequest.load() != 0;
    };
    cv_.wait_for(lock, std::chrono::milliseconds(ms), ended);
    return !ended();
}

bool Runner::HoldForLine(int32_t pointer, const HeldRun& held) {
    RunState& run = state_.Run;
    // A check-done line may have taken its "busy" jump on the poll that found the line gone.
    run.ProgramPointer = pointer;
    run.StatusLine = pointer;
    run.ProgramRunning = 1;  // held, not over: the status display goes on showing the run
    run.DisplayRefresh = 1;
    logger_.Flush();
    LineRecovery::Outcome outcome = LineRecovery::Outcome::End;
    if (recovery_ != nullptr && HoldPause(0)) {
        outcome =
            recovery_->Recover(*session_, held, [this](uint32_t ms) { return HoldPause(ms); });
    }
    run.LineHold = 0;
    if (outcome != LineRecovery::Outcome::Resume || !HoldPause(0)) {
        StopProgram(run);
        // Whatever the held line or the lines before it set moving must not go on once nobody
        // runs the program; without a line the stop frame cannot go out, which is noted too.
        SendStopFrame(*session_, run);
        return false;
    }
    run.StopRun = 0;
    run.ProgramRunning = 1;
    run.DisplayRefresh = 1;
    return true;
}

void Runner::CutDelay() {
    delayCut_ = true;
    Notify();
}

bool Runner::WaitForStep() {
    RunState& run = state_.Run;
    std::unique_lock<std::mutex> lock(mutex_);
    waitingForStep_ = true;
    cv_.wait(lock, [&] {
        return run.StepRequest.load() != 0 || run.DebugMode.load() == 0 || endRequested_.load() ||
               shutdown_.load();
    });
    waitingForStep_ = false;
    return run.StepRequest.load() != 0 && run.DebugMode.load() != 0 && !endRequested_.load() &&
           !shutdown_.load();
}

void Runner::ShowPointer() {
    // The box's handling (on the GUI thread, before or after this) moves the pointer and shows
    // its line; a pointer moved between the load and the store here is read again, so the status
    // never keeps a line the pointer has left.
    RunState& run = state_.Run;
    int32_t pointer;
    do {
        pointer = run.ProgramPointer.load();
        run.StatusLine = pointer;
    } while (run.ProgramPointer.load() != pointer);
}

bool Runner::IsBreakpoint(uint32_t lineNumber) const {
    for (const auto& slot : state_.Run.BreakpointLines)
        if (slot.load(std::memory_order_relaxed) == lineNumber) return true;
    return false;
}

Runner::Finish Runner::Loop() {
    RunState& run = state_.Run;
    const UserProgram& program = state_.Program;
    const int64_t lineCount = program.LineCount;
    // The line held on a lost line runs again as soon as the run goes on: no step is waited
    // for and no breakpoint stops it a second time.
    bool resumed = false;
    for (;;) {
        if (shutdown_.load()) return Finish::Close;
        // 1. An abort asked for between lines: stop every motor, give the boards time, stop.
        if (run.AbortRequest.load()) {
            SendStopFrame(*session_, run);
            if (!Sleep(kAbortSettleMs)) return Finish::Close;
            run.StopRun = 1;
            FinishLogger(Finish::Close);
        }
        // 2. Stepping: wait for Single Step. Unchecking "Prog. Debug" ends this runner here.
        if (run.DebugMode.load() && !resumed) {
            run.StepRequest = 0;
            if (!WaitForStep()) {
                run.ProgramRunning = 0;
                return Finish::Keep;
            }
        } else if (endRequested_.load()) {
            run.ProgramRunning = 0;
            return Finish::Keep;
        }
        // 3. The line to execute; the status timer formats its texts from StatusLine.
        const int32_t pointer = run.ProgramPointer.load();
        if (pointer < 0 || pointer >= lineCount) {
            run.ProgramRunning = 0;
            return Finish::Keep;
        }
        run.StatusLine.store(pointer, std::memory_order_relaxed);
        lineNumber_ = static_cast<uint32_t>(pointer) + 1;
        // 4. Breakpoint: stop before the line, in debug mode; the run stays "running".
        if (!resumed && run.BreakpointsEnabled.load() && !run.DebugMode.load() &&
            IsBreakpoint(lineNumber_)) {
            op_.SetCheckBox(CheckBox::ProgramDebug, true);
            run.DebugMode = 1;
            ShowPointer();
            run.DisplayRefresh = 1;
            run.RestartPending = 0;
            return Finish::Keep;
        }
        // 5. The stop order, outside debug mode.
        if (!run.DebugMode.load() && run.StopRun.load()) {
            run.ProgramRunning = 0;
            return Finish::Close;
        }
        // 6. The line itself.
        const ProgramLine& line = program.Lines[pointer];
        run.Stats.LinesExecuted.fetch_add(1);
        const uint64_t writtenBefore = session_->FramesWritten();
        const Next after = ExecuteLine(line);
        resumed = false;
        if (run.LineHold.load()) {
            // The line went away under this line: hold here, and run the line again once the
            // line is back. Whether its command already reached the boards decides whether that
            // repeats it.
            const HeldRun held{lineNumber_, session_->FramesWritten() != writtenBefore,
                               LineOnlyAsks(line)};
            if (!HoldForLine(pointer, held)) return Finish::Keep;
            resumed = true;
            continue;
        }
        if (after == Next::End) return line.Command == CmdEndProgram ? Finish::Close : Finish::Keep;
        // 8. Next line; a jump past the end lands here at LineCount or beyond.
        const int64_t next = int64_t{run.ProgramPointer.load()} + 1;
        if (next < 0 || next >= lineCount) {
            run.ProgramPointer = static_cast<int32_t>(std::min<int64_t>(next, lineCount));
            run.ProgramRunning = 0;
            return Finish::Keep;
        }
        run.ProgramPointer.store(static_cast<int32_t>(next));
        // 9. Stepping shows the line that will execute next.
        if (run.DebugMode.load()) {
            run.StatusLine = static_cast<int32_t>(next);
            run.DisplayRefresh = 1;
        }
    }
}

// ---- the QBoard data logger's file ----

void Runner::CloseLogger() {
    logger_.Close();
}

void Runner::FinishLogger(Finish how) {
    if (how == Finish::Close || state_.Run.AbortRequest.load()) {
        logger_.Close();
    } else {
        // Kept open and active for the next run, but nothing read stays in a buffer.
        logger_.Flush();
    }
}

void Runner::EnableLogger(const ProgramLine& line) {
    RunState& run = state_.Run;
    if (run.QeLoggerOpen.load()) {
        run.QeLoggerActive = 1;
        return;
    }
    const uint32_t n = line.Values[0];
    const int valuesPerLine = n < 1 ? 1 : (n > 10000 ? 10000 : static_cast<int>(n));
    if (!logger_.Open(std::string(line.Text, strnlen(line.Text, sizeof line.Text)), valuesPerLine))
        op_.ShowMessageBox("Error, Can not Create qe logger file", "VDWin Error Message",
                           mb::Warning);
}

}  // namespace vendra
