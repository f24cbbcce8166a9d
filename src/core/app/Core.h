// The core as one object: the whole system state and the subsystems that act on it, wired to the
// one Operator. The program creates exactly one; each test may create its own.
// Thread rule: members follow their own headers' rules. Destruction stops and joins every worker
// (within a bounded time) before the port and the state go away: members are destroyed in the
// reverse order of their declaration, so workers are declared last.
#pragma once
#include "app/Operator.h"
#include "app/SystemState.h"
#include "network/NetworkInit.h"
#include "runner/RunControl.h"
#include "runner/Runner.h"
#include "serial/BoardTransaction.h"
#include "serial/CommDebugLog.h"
#include "serial/QeDataLogger.h"
#include "serial/SerialPort.h"

namespace vendra {

class Core {
  public:
    explicit Core(Operator& op)
        : Op(op),
          Port(State, op),
          CommLog(State),
          QeLogger(State),
          Link(State, op, Port, CommLog, QeLogger),
          Network(State, op, Port),
          CommInitWorker(State, op, Port, Network),
          RunnerWorker(State, op, Port, Link, CommLog, QeLogger),
          RunControls(State, op, Port, RunnerWorker) {}
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Operator& Op;
    SystemState State;
    SerialPort Port;
    CommDebugLog CommLog;   // the communications debugger's lines
    QeDataLogger QeLogger;  // the QBoard encoder data-logger file
    BoardLink Link;         // BoardTransaction, PollReply, SendFrame
    NetworkInitialiser Network;
    // ---- workers (declared last: destroyed first) ----
    CommInit CommInitWorker;
    Runner RunnerWorker;     // TRunSystem: the one runner thread
    RunControl RunControls;  // Run, Abort, Single Step, Reset Pointer, Prog. Debug, Breakpoints
};

}  // namespace vendra
