#include "core/runner/RunTables.h"

#include "core/runner/RunnerState.h"

namespace vendra {

namespace {

void ResetMotor(MotorRecord& m) {
    m.Position = 0;
    m.StepMode = 1;
    m.EncoderUnit = 0;
    m.EncoderChannel = 0;
    m.EncoderState = 0;
    m.PlusTolerance = 0;
    m.MinusTolerance = 0;
    m.LinkedEncoderCount = 0;
    m.RetryCount = 3;
}

}  // namespace

void ResetRunTables(RunnerState state) {
    BoardState& b = state.Boards;
    for (int unit = 0; unit < 16; ++unit) {
        ResetMotor(b.MotorD[unit]);
        ResetMotor(b.MotorU[unit]);
        ResetMotor(b.MotorH[unit]);
        for (MotorRecord& axis : b.MotorAxis[unit]) ResetMotor(axis);
    }
    for (auto& unitChannels : b.Qe) {
        for (QeChannel& ch : unitChannels) {
            ch.LinkUnit = kNotLinked;
            ch.LinkCode = family::NotLinked;
            ch.Count = 0;
            ch.Text.Set("");
        }
    }
    RunState& run = state.Run;
    for (int i = 0; i < kTempRegisters; ++i) {
        run.TempRegisters[i] = 0;
        run.TempRegisterChanged[i] = 1;
    }
    run.LinksPresent = 0;
}

}  // namespace vendra
