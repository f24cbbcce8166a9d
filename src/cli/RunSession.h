// vendra-run's work between its command line and its exit status: the program's own start-up on
// the core (Config.cfg, the port by the port-number rule or a device, the network scan through the
// initialisation worker, or the units given), the program loaded with the window's loader and run
// by the window's run controls, then the summary and the exit status.
//
// Error rule: Prepare returns the exit status of a start-up that cannot go on (usage, file or
// port, a program not loaded whole or with no line, a file the run would write that cannot be
// created: 3; a signal meanwhile: 2), having said why on stderr, before the line is opened where
// the fault is not the line's; every message of the core reaches stderr through the CliOperator.
// Nothing throws.
// Thread rule: every method is called from one thread (the program's main thread, or a test's);
// the runner works on its own thread meanwhile.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "cli/CliOperator.h"
#include "cli/RunOptions.h"
#include "core/app/Core.h"
#include "simline/SimulatedLine.h"

namespace vendra {

class RunSession {
  public:
    struct Terminal {
        int inputFd = -1;       // stdin when it is a terminal: questions may be asked there
        bool progress = false;  // stderr is a terminal: show the progress line
    };
    RunSession(RunOptions options, std::ostream& out, std::ostream& err, Terminal terminal);
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    // The start-up, up to a loaded program on an open line. `goOn` is asked while the scan runs;
    // when it says no (a signal), the scan stops and 2 is returned. 0 when ready to run.
    int Prepare(const std::function<bool()>& goOn = {});
    // Ends a session that did not get to its run (Prepare's status, or 2 for a signal before the
    // run): the summary when asked; returns the status.
    int EndBeforeRun(int status);
    // "Run Program".
    void Start();
    // Waits up to `ms` for the run to end; true once it has.
    bool WaitFinished(uint32_t ms);
    // SIGINT and SIGTERM: the Abort button (a running delay ends at once).
    void Abort();
    // Rewrites the progress line (current line, command, loop count) where stderr is a terminal.
    void ShowProgress();
    // After the run: writes the communications log, says whether the stop frame went out (when
    // an abort or a held run's end called for it) and how the run ended, prints the summary when
    // asked, and returns the exit status.
    int Finish();

    Core& GetCore() { return core_; }
    CliOperator& Op() { return op_; }
    // The simulated network of --simulate (not running without it).
    SimulatedLine& Simulated() { return simulated_; }
    // "end_program", "last_line", "stopped", "line_lost", "signal", "no_answer" (after Finish);
    // "not_started" or "signal" (after EndBeforeRun).
    const std::string& EndReason() const { return endReason_; }

  private:
    int Fail(const std::string& why);
    int OpenLine(const std::function<bool()>& goOn);
    bool SaveLog();
    std::string Summary(int status) const;
    // The 1-based line the run ended at (the last line when it ran past it).
    uint32_t EndLine() const;

    RunOptions options_;
    std::ostream& out_;
    Terminal terminal_;
    CliOperator op_;
    // Before the core: the simulated boards outlive the core's last frame to them.
    SimulatedLine simulated_;
    Core core_;
    bool signalled_ = false;
    std::atomic<uint32_t> questionLine_{0};  // the line whose question found no answer
    bool started_ = false;
    uint32_t endMs_ = 0;
    std::string endReason_;
};

// The JSON string form of `text` (quotes and escapes).
std::string JsonString(const std::string& text);

// The summary of a command line that was refused: end_reason "usage", status 3, no figures.
std::string UsageSummary(const std::string& program);

}  // namespace vendra
