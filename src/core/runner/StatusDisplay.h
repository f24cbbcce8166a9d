// The main window's status display: what each MainTimer tick (every 100 ms) writes into the run
// statistics fields, the status labels, the run-control buttons and the caption, computed from the
// shared state without touching a widget.
//
// Error rule: none; every field is formatted from atomics and the program (which nothing edits
// while a program runs).
// Thread rule: StatusDisplay::Tick and PublishStatusTexts run on the GUI thread (the status
// timer); the runner only publishes RunState::StatusLine and the counters.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/runner/RunnerState.h"

namespace vendra {

// Change-only update: when source differs from the copy last shown, the copy takes it and the
// result is true (the control must be repainted); otherwise false.
bool UpdateIfChanged(const std::string& source, std::string& shown);

// Sets LineText, CommandText, CommentText and CloopText from RunState::StatusLine and
// CloopCounter: "%u" of the line number, the line's keyword, its comment, "%u\r" of the counter.
// Before a run has set StatusLine (kNoStatusLine): line "1", no command, no comment.
void PublishStatusTexts(RunnerState state);

// What one tick writes. An empty optional leaves that control as it is.
struct StatusView {
    bool debugControlsEnabled = false;  // "Prog. Debug", "Reset Pointer", "Single Step"
    std::optional<bool> runEnabled;     // "Run Program" (left alone during the comm test)
    std::string baudrate;               // BaudrateDisplay
    std::optional<std::string> programTime, programAverage, motorComm, avgMove, mtrPercent,
        programHigh, programLow, progCommand, programStatus;
    std::optional<std::string> comments, line, command, cloop;  // changed labels only
    std::string caption;
};

class StatusDisplay {
  public:
    explicit StatusDisplay(RunnerState state) : state_(state) {}
    // One MainTimer tick at the millisecond tick `now`.
    StatusView Tick(uint32_t now);

  private:
    RunnerState state_;
    std::string shownComments_, shownLine_, shownCommand_, shownCloop_;
};

}  // namespace vendra
