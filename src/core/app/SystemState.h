// All of the system's state, in one object. The program creates exactly one; each test creates a
// fresh one. Each subsystem is handed the parts it uses (the slices below convert from the whole
// state); thread rules: see each member's header.
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
#include "core/runner/RunState.h"
#include "core/runner/RunnerState.h"
#include "core/serial/BoardState.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/CommDebugState.h"
#include "core/serial/QeReading.h"
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

    // ---- the slices the subsystems take ----
    operator CommDebugLogState() { return {CommDebug, Run.ProgramRunning}; }
    operator QeReadingState() { return {Boards, Run, Units}; }
    operator NetworkState() { return {Serial, Config, Units}; }
    operator BoardInfoState() { return {Serial, Units}; }
    operator RunnerState() { return {App, Serial, Config, Units, Boards, Program, Labels, Run}; }
    operator CommTestSlice() { return {App, Serial, Boards, Run, CommDebug, Units, CommTest}; }
    operator DefinitionEditorState() { return {App, Program, Labels, Editor}; }
    operator OnboardState() { return {App, Serial, Config, Units, Onboard, Run, Boards}; }
};

}  // namespace vendra
