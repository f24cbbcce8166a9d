// The parts of the system state the runner layer (the runner, its motion commands, the run
// controls and the status display) works on. The composition root hands them over; the runner
// never sees the communications debug log's flags (it goes through the log) or anything above it.
#pragma once
#include "core/base/AppState.h"
#include "core/base/Configuration.h"
#include "core/base/UnitMap.h"
#include "core/program/ProgramModel.h"
#include "core/runner/RunState.h"
#include "core/serial/BoardState.h"
#include "core/serial/SerialState.h"

namespace vendra {

struct RunnerState {
    AppState& App;
    SerialState& Serial;
    const Configuration& Config;
    const UnitMap& Units;
    BoardState& Boards;
    UserProgram& Program;
    LabelTable& Labels;
    RunState& Run;

    bool SystemBusy() const { return vendra::SystemBusy(Serial, Run); }
};

}  // namespace vendra
