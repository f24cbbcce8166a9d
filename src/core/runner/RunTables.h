// The runner's run-time tables that a program load starts afresh: motor records and their
// encoder links, the QBoard channel links, the temporary registers and LinksPresent.
// Errors: none. Thread rule: called while no runner runs (start-up, program load); every field
// it writes is atomic, so displays may read them meanwhile.
#pragma once

namespace vendra {

struct RunnerState;

// Every motor record: position 0, step mode 1, encoder unit/channel/state 0, tolerances 0,
// retry count 3, linked encoder count 0. Every QBoard channel: not linked (255/255), count 0,
// text empty. Every temporary register 0 (and marked changed, so an open display redraws it).
// LinksPresent 0.
void ResetRunTables(RunnerState state);

}  // namespace vendra
