// The run-time tables the main window clears on its first activation: runner flags, statistics,
// per-unit records, reply texts, the data-logger flags, the selected board, the loaded program's
// flag and name, and the user program with its label table.
// Thread rule: call while no worker runs (start-up).
#pragma once

namespace vendra {

struct SystemState;

void ResetStartupState(SystemState& state);

}  // namespace vendra
