#include "ui/network/SimulatedNetworkSwitch.h"

#include <QAction>

#include "core/app/Core.h"
#include "core/network/LastScan.h"
#include "ui/app/MainWindow.h"
#include "ui/app/MessageBox.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"
#include "ui/network/SimulatedNetworkDialog.h"

namespace vendra::ui {

namespace {
const QString kTitle = QStringLiteral("Simulated Network");
}

SimulatedNetworkSwitch::SimulatedNetworkSwitch(TMain& main) : QObject(&main), main_(main) {
    setObjectName(QStringLiteral("SimulatedNetworkSwitch"));
    // The process may end without destructors: the simulator's link and folder go first.
    main.AddExitHook([this] { Stop(); });
}

SimulatedNetworkSwitch::~SimulatedNetworkSwitch() {
    Stop();
}

void SimulatedNetworkSwitch::Choose() {
    Core& core = main_.GetCore();
    TSimulatedNetworkDialog dialog(LoadLastScanUnits(core.Line.DeviceFolder()), &main_);
    if (ExecModal(dialog) == QDialog::Accepted) Start(dialog.Choice());
}

bool SimulatedNetworkSwitch::WithLineClosed(const std::function<void()>& change) {
    Core& core = main_.GetCore();
    LineSession session;
    if (!core.State.SystemBusy() && !core.Initialisation.Running())
        session = core.Line.Take(LineUser::MainWindow);
    if (!session) {
        ClassicMessageBox(&main_,
                          QStringLiteral("The line is in use: stop the program or wait for the "
                                         "scan to end, then choose again."),
                          kTitle, mb::Warning);
        return false;
    }
    session.Close();
    change();
    session.Release();
    return true;
}

bool SimulatedNetworkSwitch::Start(const SimulatedNetworkChoice& choice) {
    auto line = std::make_unique<SimulatedLine>();
    std::string error;
    if (!line->Start(choice, error)) {
        ClassicMessageBox(
            &main_,
            QStringLiteral("The simulated network cannot start:\n") + QString::fromStdString(error),
            kTitle, mb::Warning);
        return false;
    }
    Core& core = main_.GetCore();
    const bool changed = WithLineClosed([&] {
        core.Network.SetDevicePath(line->DevicePath());
        core.State.Serial.Simulated = 1;
        line_.swap(line);  // a simulated network started before ends below, its port closed
    });
    if (!changed) return false;
    main_.Op().SetSystemMessage("SIMULATED NETWORK (" + line_->Source() +
                                "): no byte goes to a real device");
    main_.MenuAction("RealLine1")->setEnabled(true);
    main_.UpdateCaption();
    main_.StartNetworkInitialisation();
    return true;
}

void SimulatedNetworkSwitch::BackToRealLine() {
    if (!line_) return;
    Core& core = main_.GetCore();
    if (!WithLineClosed([&] {
            core.Network.SetDevicePath({});
            core.State.Serial.Simulated = 0;
        }))
        return;
    Stop();
    main_.MenuAction("RealLine1")->setEnabled(false);
    main_.UpdateCaption();
    main_.StartNetworkInitialisation();
}

void SimulatedNetworkSwitch::Stop() {
    if (line_) line_->Stop();
    line_.reset();
}

void InstallSimulatedNetwork(TMain& main) {
    auto* simulated = new SimulatedNetworkSwitch(main);
    QObject::connect(main.MenuAction("SimulatedNetwork1"), &QAction::triggered, simulated,
                     &SimulatedNetworkSwitch::Choose);
    QAction* real = main.MenuAction("RealLine1");
    real->setEnabled(false);
    QObject::connect(real, &QAction::triggered, simulated, &SimulatedNetworkSwitch::BackToRealLine);
}

}  // namespace vendra::ui
