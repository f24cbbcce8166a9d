// All of the system's state, in one object. The program creates exactly one; each test creates a
// fresh one. Subsystems receive it by reference. Thread rules: see each member's header.
#pragma once
#include "app/AppState.h"
#include "network/Configuration.h"
#include "network/UnitMap.h"
#include "program/ProgramModel.h"
#include "runner/RunState.h"
#include "serial/BoardState.h"
#include "serial/CommDebugState.h"
#include "serial/SerialState.h"

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

    // True while a program runs, the network is being initialised or the comm test runs.
    bool SystemBusy() const {
        return Run.ProgramRunning.load() || Run.RunnerThreadAlive.load() ||
               App.NetworkInitActive.load() ||
               App.CommTestActive.load();
    }
};

}  // namespace vendra
