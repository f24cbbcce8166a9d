// The runner (TRunSystem): interprets the user program line by line on its own worker thread.
//
// Error rule: board errors are reported by the board transaction and end the run after that
// command; a reply time-out alone does not. A line that goes away during a run (the port's loss
// handler sets LineHold) holds the run at the line it was on when a LineRecovery is set: the
// QBoard data logger is flushed, the recovery waits for the line (told whether the held line's
// frame had been written, so a repeat can be named), and the run either goes on by running that
// line again or ends with the stop frame; without a recovery the loss ends the run. A line whose
// values cannot be used (a unit above 15, a register above 73, an unknown user_input type or axis
// code, a bad encoder link) ends the run with a message naming the line; no value from a program
// file ever indexes past a table, and a jump beyond the last line ends the run as if the program
// had ended there. Nothing throws. Thread rule: at most one runner thread exists at a time: Start
// refuses while one is still alive. Start, WakeStep, RequestEnd, WaitFinished and the destructor
// are called from the GUI thread (or a test's thread); the loop reads the program without locks
// (nothing edits it while SystemBusy) and shares state through RunState's atomics. Every wait of
// the runner blocks (a condition variable or the line's poll()); none spins. The destructor stops
// and joins the thread within a bounded time (a delay is cut short; an open question to the
// operator must be answered or dismissed by the UI first).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/Operator.h"
#include "core/runner/BoardStep.h"
#include "core/runner/LineRecovery.h"
#include "core/runner/Motion.h"
#include "core/runner/RunnerState.h"

namespace vendra {

class SerialLine;
class CommDebugLog;
class QeDataLogger;

class Runner {
  public:
    Runner(RunnerState state, Operator& op, SerialLine& line, CommDebugLog& log,
           QeDataLogger& logger);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // Takes the line and starts a runner thread, which holds the line until it ends. When
    // RestartPending is 1 the run is reset first (pointer 0, fresh statistics, ProgramRunning 1),
    // on the calling thread, so that an Abort pressed right after Run is never undone by the new
    // thread. False, with nothing changed, while a previous runner thread is alive or another
    // activity holds the line.
    bool Start();
    // A runner thread exists and has not finished.
    bool Active() const { return alive_.load(); }
    // Blocks until no runner thread is alive or the time is up (tests, shutdown). True when idle.
    bool WaitFinished(uint32_t timeoutMs);

    // "Single Step": wakes a runner that waits for its next step (StepRequest must be set first).
    // A step asked for while a line still executes is dropped, as the step wait starts by
    // clearing StepRequest.
    void WakeStep();
    // The runner waits for Single Step (tests and displays).
    bool WaitingForStep() const { return waitingForStep_.load(); }
    // Ends the runner at its next line boundary, or at once when it waits for a step.
    void RequestEnd();
    // Ends a running delay or sdelay line now (Abort).
    void CutDelay();

    // Abort with no runner alive: flushes and closes the logger.
    void CloseLogger();

    // Who waits for a lost line while a run is held (nullptr: a lost line ends the run). Set it
    // before the first run; the recovery must outlive the runner.
    void SetLineRecovery(LineRecovery* recovery);
    // Abort was pressed: a run held on a lost line stops waiting at once.
    void WakeForAbort() { Notify(); }

  private:
    enum class Next { Continue, End };
    // How a run ends for the logger: Close it (end_program, a stop order, Abort) or Keep it open
    // as it is, flushed (the program's end, a breakpoint, a board error, stepping ended).
    enum class Finish { Close, Keep };

    void Execute(LineSession session);
    Finish Loop();
    Next ExecuteLine(const ProgramLine& line);
    Next Board(unsigned unit, uint8_t family, const std::string& text);
    Next AfterBoardCommand();
    Next BadLine(const std::string& what);
    Next BadUnit(unsigned unit);
    Next BadRegister(uint32_t reg);
    Next RegisterCommand(const ProgramLine& line);
    Next MotionCommand(const ProgramLine& line);
    Next UserCommand(const ProgramLine& line);
    Next LoggerCommand(const ProgramLine& line);
    Next LinkMe(const ProgramLine& line);
    void Jump(const ProgramLine& line, int slot, uint32_t number);
    bool IsBreakpoint(uint32_t lineNumber) const;
    // Sets the status texts' line from the program pointer (at a breakpoint).
    void ShowPointer();
    // Sleeps that shutdown interrupts: false when the runner is being shut down.
    bool Sleep(uint32_t ms);
    // The delay and sdelay lines: also ended early by CutDelay, and by a line that goes away
    // while they wait (the run is then held at the delay, which runs in full again on resume).
    bool DelayLine(uint32_t ms);
    bool DelayLineSeconds(uint32_t seconds);
    // During a delay nothing else looks at the line: a look every kLineWatchMs notices a device
    // that went away (only when a lost line can be waited for).
    void WatchLine();
    // Holds the run at `pointer` while the recovery waits for the line; true to run the line
    // again, false when the run has ended (the stop frame then goes out when the line is there).
    bool HoldForLine(int32_t pointer, const HeldRun& held);
    // The recovery's waits: false as soon as the run is to end.
    bool HoldPause(uint32_t ms);
    // Blocks until Single Step, an end request or shutdown. True for a step.
    bool WaitForStep();
    void EnableLogger(const ProgramLine& line);
    void FinishLogger(Finish how);
    void Notify();

    RunnerState state_;
    Operator& op_;
    SerialLine& line_;
    CommDebugLog& log_;
    QeDataLogger& logger_;
    BoardStep step_;
    MotionControl motion_;
    LineSession* session_ = nullptr;  // the thread's session while it runs

    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::atomic<bool> alive_{false};
    std::atomic<bool> endRequested_{false};
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> waitingForStep_{false};
    std::atomic<bool> delayCut_{false};
    LineRecovery* recovery_ = nullptr;
    uint64_t lastWatchUs_ = 0;  // when WatchLine last looked at the line
    uint32_t lineNumber_ = 0;   // 1-based number of the line being executed (messages)
};

// Writes the global stop frame (no reply is read) and notes in RunState::StopFrame whether it
// reached the line. True when it did.
bool SendStopFrame(LineSession& session, RunState& run);

}  // namespace vendra
