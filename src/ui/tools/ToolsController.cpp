#include "ui/tools/ToolsController.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QProgressBar>
#include <algorithm>
#include <climits>

#include "core/app/Core.h"
#include "core/tools/Monitors.h"
#include "ui/app/MainWindow.h"

namespace vendra::ui {

namespace {
int BarValue(uint32_t value) {
    return static_cast<int>(std::min<uint32_t>(value, INT_MAX));
}
}  // namespace

ToolsController::ToolsController(TMain& main)
    : QObject(&main),
      main_(main),
      core_(main.GetCore()),
      shownLayout_(core_.State.CommTest.Progress.Layout.load()) {
    connect(main.MenuAction("SerialNetworkTest1"), &QAction::triggered, this,
            [this] { core_.CommTestWorker.Start(); });
    // toggled, not clicked: setting the box from code must act like a click.
    connect(main.Control<QCheckBox>("DispEncoders"), &QCheckBox::toggled, this,
            &ToolsController::DispEncodersToggled);
    connect(main.Control<QCheckBox>("DisplayTempReg"), &QCheckBox::toggled, this,
            &ToolsController::DisplayTempRegToggled);
}

void ToolsController::ShowTestProgress() {
    const CommTestState& test = core_.State.CommTest;
    const CommTestProgress& p = test.Progress;
    auto* bar = main_.Control<QProgressBar>("MainBarProgress");
    bool follow = test.CommTestActive.load() != 0;
    const uint32_t layout = p.Layout.load();
    if (layout != shownLayout_) {
        shownLayout_ = layout;
        if (auto* group = main_.Control<QGroupBox>("MainBarGraph"))
            group->setTitle(QString::fromStdString(p.Caption.Get()));
        bar->setRange(0, BarValue(p.Maximum.load()));
        follow = true;
    }
    if (follow) bar->setValue(BarValue(p.Position.load()));
}

void ToolsController::DispEncodersToggled(bool checked) {
    if (checked) {
        ClearEncoderChannels(core_.State.Boards);
        if (!encoders_) encoders_ = new TEncoders(core_.State.Boards, core_.State.Config, &main_);
        encoders_->show();
        encoders_->raise();
        return;
    }
    delete encoders_.data();
}

void ToolsController::DisplayTempRegToggled(bool checked) {
    if (checked) {
        MarkTempRegistersChanged(core_.State.Run);
        if (!registers_)
            registers_ = new TTempRegisterDisplay(core_.State.Run, core_.State.Config, &main_);
        registers_->show();
        registers_->raise();
        return;
    }
    delete registers_.data();
}

ToolsController* InstallTools(TMain& main) {
    auto* controller = new ToolsController(main);
    controller->setObjectName(QStringLiteral("ToolsController"));
    main.AddTimerHook([controller] { controller->ShowTestProgress(); });
    return controller;
}

}  // namespace vendra::ui
