#include "core/app/StartupReset.h"

#include "core/app/SystemState.h"
#include "core/program/ProgramEdit.h"
#include "core/runner/RunTables.h"

namespace vendra {

namespace {

void ResetRunFlags(RunState& r) {
    r.ProgramPointer = 0;
    r.StatusLine = kNoStatusLine;  // no command is shown before a run
    r.RestartPending = 0;
    r.ProgramRunning = 0;
    r.DebugMode = 0;
    r.StepRequest = 0;
    r.AbortRequest = 0;
    r.StopRun = 0;
    r.CloopCounter = 0;
    r.CloopActive = 0;
    r.UserValueCell = 0;
    r.QeLoggerOpen = 0;
    r.QeLoggerActive = 0;
    r.QeValuesPerLine = 0;
    r.QeColumn = 0;

    r.Stats.Reset(0xFFFFFF);
}

void ResetReplies(BoardState& b) {
    b.TransactionActive = 0;
    b.LastResponseValue = 0;
    b.LastResponseText.Set("");
    for (int u = 0; u < 16; ++u) {
        b.UnitStatusD[u] = 0;
        b.UnitStatusU[u] = 0;
        b.UnitStatusH[u] = 0;
        for (auto& axis : b.UnitStatusAxis[u]) axis = 0;
    }
}

}  // namespace

void ResetStartupState(SystemState& state) {
    ResetRunFlags(state.Run);
    ResetReplies(state.Boards);
    ResetRunTables(RunnerStateOf(state));  // motor records, encoder links, temporary registers
    state.App.SelectedBoardFamily = 0;
    state.App.ProgramLoaded = 0;
    state.App.ProgramName.Set("");
    ClearProgram(state.Program, state.Labels);
}

}  // namespace vendra
