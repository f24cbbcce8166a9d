// The core as one object: the whole system state and the subsystems that act on it, wired to the
// one Operator. The program creates exactly one; each test may create its own.
// Thread rule: members follow their own headers' rules. Destruction stops and joins every worker
// (within a bounded time) before the port and the state go away: members are destroyed in the
// reverse order of their declaration, so workers are declared last.
#pragma once
#include "app/Operator.h"
#include "app/SystemState.h"
#include "network/NetworkInit.h"
#include "serial/SerialPort.h"

namespace vendra {

class Core {
  public:
    explicit Core(Operator& op)
        : Op(op),
          Port(State, op),
          Network(State, op, Port),
          CommInitWorker(State, op, Port, Network) {}
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Operator& Op;
    SystemState State;
    SerialPort Port;
    NetworkInitialiser Network;
    // ---- workers (declared last: destroyed first) ----
    CommInit CommInitWorker;
};

}  // namespace vendra
