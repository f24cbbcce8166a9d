#include "app/StartupReset.h"

#include "app/SystemState.h"

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

void ResetRun(RunState& r) {
    r.ProgramPointer = 0;
    r.RestartPending = 0;
    r.ProgramRunning = 0;
    r.DebugMode = 0;
    r.StepRequest = 0;
    r.AbortRequest = 0;
    r.StopRun = 0;
    r.CloopCounter = 0;
    r.CloopActive = 0;
    for (int i = 0; i < kTempRegisters; ++i) {
        r.TempRegisters[i] = 0;
        r.TempRegisterChanged[i] = 0;
    }
    r.UserValueCell = 0;
    r.LinksPresent = 0;
    r.QeLoggerOpen = 0;
    r.QeLoggerActive = 0;
    r.QeValuesPerLine = 0;
    r.QeColumn = 0;

    Statistics& s = r.Stats;
    s.RunStartTime = 0;
    s.ReplyDelaySum = 0;
    s.ReplyCount = 0;
    s.ReplyDelayMin = 0xFFFFFF;
    s.ReplyDelayMax = 0;
    s.FramesSent = 0;
    s.RepliesCounted = 0;
    s.MovesCompleted = 0;
    s.MotorBusyTime = 0;
    s.MoveStartTime = 0;
    s.MoveEndTime = 0;
    s.MoveBusyMark = 0;
    s.SendTime = 0;
    s.ReplyTime = 0;
    s.TimerTicks = 0;
}

void ResetBoards(BoardState& b) {
    b.TransactionActive = 0;
    b.LastResponseValue = 0;
    b.LastResponseText.Set("");
    for (int u = 0; u < 16; ++u) {
        b.UnitStatusD[u] = 0;
        b.UnitStatusU[u] = 0;
        b.UnitStatusH[u] = 0;
        ResetMotor(b.MotorD[u]);
        ResetMotor(b.MotorU[u]);
        ResetMotor(b.MotorH[u]);
        for (int a = 0; a < 4; ++a) {
            b.UnitStatusAxis[u][a] = 0;
            ResetMotor(b.MotorAxis[u][a]);
        }
    }
    for (auto& unit : b.Qe) {
        for (QeChannel& ch : unit) {
            ch.LinkUnit = kNotLinked;
            ch.LinkCode = kNotLinked;
            ch.Count = 0;
            ch.Text.Set("");
        }
    }
}

}  // namespace

void ResetStartupState(SystemState& state) {
    ResetRun(state.Run);
    ResetBoards(state.Boards);
    state.App.SelectedBoardFamily = 0;
    state.App.ProgramLoaded = 0;
    state.App.ProgramName.Set("");
    state.Program.LineCount = 0;
    state.Labels.LabelCount = 0;
}

}  // namespace vendra
