// The core as one object: the whole system state and the subsystems that act on it, wired to the
// one Operator. The program creates exactly one; each test may create its own.
// Thread rule: members follow their own headers' rules. Destruction stops and joins every worker
// (within a bounded time) before the port and the state go away: members are destroyed in the
// reverse order of their declaration, so workers are declared last.
#pragma once
#include "core/app/LineReconnect.h"
#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/network/BoardInfo.h"
#include "core/network/NetworkInit.h"
#include "core/network/TargetBoard.h"
#include "core/onboard/OnboardTransfer.h"
#include "core/onboard/OnboardWorker.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/RunControl.h"
#include "core/runner/Runner.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "core/tools/CommTest.h"

namespace vendra {

class Core {
  public:
    explicit Core(Operator& op)
        : Op(op),
          CommLog(CommDebugLogStateOf(State)),
          Line(State.Serial, op, CommLog, State.Run.ProgramPointer, State.Config.ReplyTimeout),
          QeLogger(State.Run),
          Network(NetworkStateOf(State), op),
          Reconnect({State.Serial, State.Config, State.Units}, op, Network),
          Initialisation(NetworkStateOf(State), op, Line, Network),
          RunnerWorker(RunnerStateOf(State), op, Line, CommLog, QeLogger),
          RunControls(RunnerStateOf(State), op, Line, RunnerWorker),
          BoardInfo(BoardInfoStateOf(State), op, Line,
                    [this](uint8_t& family, uint8_t& address) {
                        if (!SelectTargetBoard(State.App, State.Units, Op)) return false;
                        family = State.App.SelectedBoardFamily.load();
                        address = State.App.SelectedBoardAddress.load();
                        return true;
                    }),
          Onboard(OnboardStateOf(State), op,
                  [this] { return SelectTargetBoard(State.App, State.Units, Op); }),
          OnboardTransferWorker(OnboardStateOf(State), op, Line, Onboard),
          CommTestWorker(CommTestSystemOf(State), op, Line,
                         [this] { return SelectTargetBoard(State.App, State.Units, Op); }) {
        // A line lost under a run holds the run until the line is back (the state outlives
        // every worker that could see the loss).
        RunnerWorker.SetLineRecovery(&Reconnect);
        Line.SetLossHandler([this] { return HoldRunOnLineLoss(State.Run, State.Serial); });
    }
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Operator& Op;
    SystemState State;
    CommDebugLog CommLog;   // the communications debugger's lines
    SerialLine Line;        // the serial line: taking it gives a session, the only way to use it
    QeDataLogger QeLogger;  // the QBoard encoder data-logger file
    NetworkInitialiser Network;
    LineReconnect Reconnect;  // waits for a line lost during a run
    // ---- workers (declared last: destroyed first) ----
    NetworkInitialisation Initialisation;
    Runner RunnerWorker;     // TRunSystem: the one runner thread
    RunControl RunControls;  // Run, Abort, Single Step, Reset Pointer, Prog. Debug, Breakpoints
    // "Axis Information": the board report's worker
    BoardInfoReport BoardInfo;
    OnboardTransfer Onboard;  // read, write, erase and run the program in a board's memory
    OnboardWorker OnboardTransferWorker;
    CommTest CommTestWorker;  // TCommTest: "Serial Network Test"
};

}  // namespace vendra
