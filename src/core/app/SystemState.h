// All of the system's state, in one object. The program creates exactly one; each test creates a
// fresh one. Each subsystem is handed the parts it uses (the slices below, built from the whole
// state by name where a subsystem is made); thread rules: see each member's header.
#pragma once
#include "core/base/AppState.h"
#include "core/base/Configuration.h"
#include "core/base/UnitMap.h"
#include "core/network/BoardInfo.h"
#include "core/network/NetworkInit.h"
#include "core/onboard/OnboardProgram.h"
#include "core/onboard/OnboardTransfer.h"
#include "core/program/EditorState.h"
#include "core/program/ProgramModel.h"
#include "core/runner/QeReading.h"
#include "core/runner/RunState.h"
#include "core/runner/RunnerState.h"
#include "core/serial/BoardState.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/CommDebugState.h"
#include "core/serial/SerialState.h"
#include "core/tools/CommTestState.h"

namespace vendra {

struct SystemState {
    AppState App;
    SerialState Serial;
    Configuration Config;
    UnitMap Units;
    BoardState Boards;
    CommDebugState CommDebug;
    UserProgram Program;
    LabelTable Labels;
    RunState Run;
    CommTestState CommTest;
    EditorState Editor;
    OnboardProgram Onboard;  // the IEEPROM editor's program

    // The line has an owner, or a program run is in progress.
    bool SystemBusy() const { return vendra::SystemBusy(Serial, Run); }
};

// ---- the slices the subsystems take ----
// Each is built where a subsystem is handed its part, so that what it may touch is named there.

inline CommDebugLogState CommDebugLogStateOf(SystemState& s) {
    return {s.CommDebug, s.Run.ProgramRunning};
}
inline QeReadingState QeReadingStateOf(SystemState& s) {
    return {s.Boards, s.Run, s.Units};
}
inline NetworkState NetworkStateOf(SystemState& s) {
    return {s.Serial, s.Config, s.Units};
}
inline BoardInfoState BoardInfoStateOf(SystemState& s) {
    return {s.Serial, s.Units};
}
inline RunnerState RunnerStateOf(SystemState& s) {
    return {s.App, s.Serial, s.Config, s.Units, s.Boards, s.Program, s.Labels, s.Run};
}
inline CommTestSystem CommTestSystemOf(SystemState& s) {
    return {s.App, s.Serial, s.Boards, s.Run, s.CommDebug, s.Units, s.CommTest};
}
inline DefinitionEditorState DefinitionEditorStateOf(SystemState& s) {
    return {s.App, s.Program, s.Labels, s.Editor};
}
inline OnboardState OnboardStateOf(SystemState& s) {
    return {s.App, s.Serial, s.Config, s.Units, s.Onboard, s.Run, s.Boards};
}

}  // namespace vendra
