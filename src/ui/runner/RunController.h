// The main window's run controls and status display: connects "Run Program", "Abort",
// "Single Step", "Reset Pointer", "Prog. Debug" and "Breakpoints" (found by their component
// names) to the core's RunControl, owns the breakpoint dialog while its box is checked, and
// writes the status display on every MainTimer tick.
// Thread rule: GUI thread only; the runner reaches the window only through the state and the
// Operator.
#pragma once
#include <QObject>
#include <QPointer>

#include "app/Operator.h"
#include "app/SystemState.h"
#include "runner/StatusDisplay.h"

namespace vendra {
class RunControl;
class Runner;
}  // namespace vendra

namespace vendra::ui {

class TMain;
class TBreakpointDialog;

class RunController : public QObject {
    Q_OBJECT
public:
    RunController(TMain& main, SystemState& state, Operator& op, RunControl& control,
                  Runner& runner);

    // One MainTimer tick of the status display.
    void MainTimerTick();
    TBreakpointDialog* BreakpointDialog() const { return breakpoints_; }

private:
    void BreakpointsToggled(bool checked);

    TMain& main_;
    SystemState& state_;
    Operator& op_;
    RunControl& control_;
    Runner& runner_;
    StatusDisplay display_;
    QPointer<TBreakpointDialog> breakpoints_;
};

// Creates the controller as a child of the window and hooks it to the window's timer and exit.
RunController* InstallRunControls(TMain& main, SystemState& state, Operator& op,
                                  RunControl& control, Runner& runner);

}  // namespace vendra::ui
