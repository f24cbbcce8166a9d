// TMain's start-up sequence, the network and configuration menu items, and the end of the process.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "app/BaudrateSelectDialog.h"
#include "app/MainWindow.h"
#include "app/ModalDialog.h"
#include "app/QtOperator.h"
#include "app/StartupReset.h"
#include "network/ConfigFile.h"
#include "network/ConfigurationDialog.h"
#include "serial/SerialPort.h"

namespace vendra::ui {

void TMain::FormActivate() {
    if (state_.App.FirstActivationDone.exchange(1) != 0) return;
    ResetRunDisplayState();
    state_.Serial.CurrentBaud = 57600;
    ResetStartupState(state_);
    ReadConfiguration(state_.Config, op_);
    op_.ShowMessageBox("Please make sure that the Boards are powered up before proceeding.",
                       "Initializing System .........", mb::Ok | mb::IconWarning);
    {
        TBaudrateSelectDialog baud(state_, this);
        ExecModal(baud);
    }
    state_.App.ProgramName.Set("None Loaded");
    state_.Program.LineCount = 0;
    iniTimer_->start();
}

void TMain::IniTimerTimer() {
    ResetUnitButtons();
    iniTimer_->stop();
}

void TMain::LoadDefineFile1Click() {
    if (state_.SystemBusy()) return;
    state_.App.ProgramLoaded = 0;
    QFileDialog dialog(this, QStringLiteral("Load Define File"), QStringLiteral("define"),
                       QStringLiteral("Definition Filter (*.def *.DEF)"));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().first();
    state_.App.ProgramName.Set(QFileInfo(path).completeBaseName().toStdString());
    UpdateCaption();
    state_.App.ProgramPath.Set(path.toStdString());
}

void TMain::ChangeBaudrate1Click() {
    if (state_.SystemBusy()) return;
    TBaudrateSelectDialog dialog(state_, this);
    ExecModal(dialog);
}

void TMain::ConfigureSystem1Click() {
    TConfiguration::Actions actions;
    actions.WriteConfiguration = [this] { return WriteConfiguration(state_.Config, op_); };
    actions.StartNetworkInitialisation = [this] { iniTimer_->stop(); };
    actions.DeviceForPort = [](int port) {
        const QString path = QString::fromStdString(DevicePathForPort(port));
        const QFileInfo info(path);
        return info.isSymLink() ? QStringLiteral("%1 -> %2").arg(path, info.symLinkTarget()) : path;
    };
    TConfiguration dialog(state_, std::move(actions), this);
    ExecModal(dialog);
}

void TMain::ExitProgram1Click() { EndProcess(); }

void TMain::EndProcess() {
    for (auto& hook : exitHooks_) hook();
    std::fflush(nullptr);
    op_.Shutdown();
    exit_(0);
}

}  // namespace vendra::ui
