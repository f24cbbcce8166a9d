// The main window's run controls and status display: connects "Run Program", "Abort",
// "Single Step", "Reset Pointer", "Prog. Debug" and "Breakpoints" (found by their component
// names) to the core's RunControl, owns the breakpoint dialog while its box is checked, and
// writes the status display on every MainTimer tick.
// Thread rule: GUI thread only; the runner reaches the window only through the state and the
// Operator.
#pragma once
#include <QObject>
#include <QPointer>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/runner/StatusDisplay.h"
#include "ui/runner/BreakpointDialog.h"

namespace vendra {
class RunControl;
}  // namespace vendra

namespace vendra::ui {

class TMain;

class RunController : public QObject {
    Q_OBJECT
  public:
    RunController(TMain& main, SystemState& state, Operator& op, RunControl& control);

    // One MainTimer tick of the status display.
    void MainTimerTick();
    TBreakpointDialog* BreakpointDialog() const { return breakpoints_; }

  private:
    void BreakpointsToggled(bool checked);

    TMain& main_;
    SystemState& state_;
    Operator& op_;
    RunControl& control_;
    StatusDisplay display_;
    QPointer<TBreakpointDialog> breakpoints_;
};

// Creates the controller for the window's core as a child of the window and hooks it to the
// window's timer and exit.
RunController* InstallRunControls(TMain& main);

}  // namespace vendra::ui
