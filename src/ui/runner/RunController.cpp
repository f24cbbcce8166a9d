#include "ui/runner/RunController.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/runner/RunControl.h"
#include "core/runner/Runner.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"
#include "ui/runner/BreakpointDialog.h"

namespace vendra::ui {

RunController::RunController(TMain& main, SystemState& state, Operator& op, RunControl& control)
    : QObject(&main),
      main_(main),
      state_(state),
      op_(op),
      control_(control),
      display_(RunnerStateOf(state)) {
    connect(main.Control<QPushButton>("RunButton"), &QPushButton::clicked, this,
            [this] { control_.RunButtonClick(); });
    connect(main.Control<QPushButton>("AbortButton"), &QPushButton::clicked, this,
            [this] { control_.AbortButtonClick(); });
    connect(main.Control<QPushButton>("SingleStep"), &QPushButton::clicked, this,
            [this] { control_.SingleStepClick(); });
    connect(main.Control<QPushButton>("ResetPointer"), &QPushButton::clicked, this,
            [this] { control_.ResetPointerClick(); });
    // toggled, not clicked: the runner ticks "Prog. Debug" at a breakpoint and that must run the
    // box's handling as a click would.
    connect(main.Control<QCheckBox>("ProgramDebug"), &QCheckBox::toggled, this,
            [this](bool checked) { control_.ProgramDebugClick(checked); });
    connect(main.Control<QCheckBox>("Breakpoints"), &QCheckBox::toggled, this,
            &RunController::BreakpointsToggled);
}

void RunController::BreakpointsToggled(bool checked) {
    if (checked) {
        if (!breakpoints_) {
            breakpoints_ = new TBreakpointDialog(state_, op_, &main_);
            // Closing the window ends its breakpoints, as its own text says, and clears the box.
            connect(breakpoints_, &TBreakpointDialog::Closed, this, [this] {
                if (auto* box = main_.Control<QCheckBox>("Breakpoints")) box->setChecked(false);
            });
        }
        breakpoints_->show();
        breakpoints_->raise();
        return;
    }
    control_.BreakpointsClick(false);
    if (breakpoints_) breakpoints_->deleteLater();
    breakpoints_.clear();
}

namespace {

void SetIfGiven(TMain& main, const char* name, const std::optional<std::string>& text) {
    if (!text) return;
    if (auto* label = main.Control<QLabel>(name)) label->setText(QString::fromStdString(*text));
}

void Enable(TMain& main, const char* name, bool enabled) {
    if (auto* w = main.Control<QWidget>(name)) w->setEnabled(enabled);
}

}  // namespace

void RunController::MainTimerTick() {
    const StatusView v = display_.Tick(TickMs());
    Enable(main_, "ProgramDebug", v.debugControlsEnabled);
    Enable(main_, "ResetPointer", v.debugControlsEnabled);
    Enable(main_, "SingleStep", v.debugControlsEnabled);
    if (v.runEnabled) Enable(main_, "RunButton", *v.runEnabled);
    SetIfGiven(main_, "BaudrateDisplay", v.baudrate);
    SetIfGiven(main_, "ProgramTime", v.programTime);
    SetIfGiven(main_, "ProgramAverage", v.programAverage);
    SetIfGiven(main_, "MotorComm", v.motorComm);
    SetIfGiven(main_, "AvgMove", v.avgMove);
    SetIfGiven(main_, "MtrPercent", v.mtrPercent);
    SetIfGiven(main_, "ProgramHigh", v.programHigh);
    SetIfGiven(main_, "ProgramLow", v.programLow);
    SetIfGiven(main_, "ProgCommand", v.progCommand);
    SetIfGiven(main_, "ProgramStatus", v.programStatus);
    SetIfGiven(main_, "Comments", v.comments);
    SetIfGiven(main_, "Line1", v.line);
    SetIfGiven(main_, "Command", v.command);
    SetIfGiven(main_, "CLoop", v.cloop);
    // The caption is the window's own (TMain::UpdateCaption runs after the hooks).
}

RunController* InstallRunControls(TMain& main) {
    Core& core = main.GetCore();
    Runner& runner = core.RunnerWorker;
    auto* controller = new RunController(main, core.State, main.Op(), core.RunControls);
    controller->setObjectName(QStringLiteral("RunController"));
    main.AddTimerHook([controller] { controller->MainTimerTick(); });
    // Whatever the logger holds reaches its file before the process ends.
    main.AddExitHook([&runner] { runner.CloseLogger(); });
    return controller;
}

}  // namespace vendra::ui
