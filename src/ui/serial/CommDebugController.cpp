#include "ui/serial/CommDebugController.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "core/app/Core.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"
#include "ui/serial/CommunicationsDebugger.h"

namespace vendra::ui {

CommDebugController::CommDebugController(SystemState& state, Operator& op, CommDebugLog& log,
                                         CommDebugSourceFn sourceLine, QWidget* windowOwner,
                                         QObject* parent)
    : QObject(parent),
      state_(state),
      op_(op),
      log_(log),
      sourceLine_(std::move(sourceLine)),
      owner_(windowOwner) {}

CommDebugController::~CommDebugController() {
    delete window_.data();
}

void CommDebugController::Attach(QCheckBox* box) {
    box_ = box;
    if (box) connect(box, &QCheckBox::toggled, this, &CommDebugController::OnToggled);
}

void CommDebugController::OnToggled(bool checked) {
    if (switching_) return;  // the switch pumps events; a second click meanwhile is dropped
    switching_ = true;
    bool wasEnabled = box_ ? box_->isEnabled() : false;
    if (box_) box_->setEnabled(false);
    bool acted = CommDebugSwitch(state_.Serial, op_, log_, *this, checked);
    if (box_) {
        box_->setEnabled(wasEnabled);
        if (!acted && checked && box_->isChecked()) {
            QSignalBlocker block(box_);
            box_->setChecked(!checked);  // the click had no effect: show the state as it is
        }
    }
    switching_ = false;
}

void CommDebugController::CreateCommDebugWindow() {
    if (!window_) window_ = new TCommunicationsDebugger(state_, op_, log_, sourceLine_, owner_);
    window_->show();
    window_->raise();
}

void CommDebugController::DestroyCommDebugWindow() {
    delete window_.data();
    state_.CommDebug.CommDebugWindowReady = 0;
}

void InstallCommDebug(TMain& main, CommDebugSourceFn sourceLine) {
    auto* controller = new CommDebugController(main.State(), main.Op(), main.GetCore().CommLog,
                                               std::move(sourceLine), &main, &main);
    controller->setObjectName(QStringLiteral("CommDebugController"));
    controller->Attach(main.Control<QCheckBox>("CommDebug"));
}

}  // namespace vendra::ui
