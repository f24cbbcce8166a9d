// TMain's start-up sequence, the network and configuration menu items, and the end of the process.
#include <QAction>
#include <QFileDialog>
#include <QTimer>
#include <cstdio>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/StartupReset.h"
#include "core/network/BaudChange.h"
#include "core/network/ConfigFile.h"
#include "core/program/ProgramEdit.h"
#include "core/serial/LineSession.h"
#include "core/serial/PortNames.h"
#include "core/serial/SerialDeviceList.h"
#include "core/serial/SerialDeviceMonitor.h"
#include "ui/app/BaudrateSelectDialog.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"
#include "ui/network/ConfigurationDialog.h"

namespace vendra::ui {

namespace {
// "Name|*.a;*.b" (the classic filter form) as Qt writes it: "Name (*.a *.b)".
QString QtFileFilter(const char* classic) {
    const QStringList parts = QString::fromLatin1(classic).split('|');
    if (parts.size() != 2) return QString::fromLatin1(classic);
    return QStringLiteral("%1 (%2)").arg(parts[0], parts[1].split(';').join(' '));
}
}  // namespace

void TMain::FormActivate() {
    if (state_.App.FirstActivationDone.exchange(1) != 0) return;
    ResetRunDisplayState();
    state_.Serial.CurrentBaud = 57600;
    ResetStartupState(state_);
    ReadConfiguration(state_.Config, op_);
    op_.ShowMessageBox("Please make sure that the Boards are powered up before proceeding.",
                       "Initializing System .........", mb::Warning);
    {
        TBaudrateSelectDialog baud(state_, this);
        ExecModal(baud);
    }
    state_.App.ProgramName.Set("None Loaded");
    ClearProgram(state_.Program, state_.Labels);
    iniTimer_->start();
}

void TMain::IniTimerTimer() {
    StartNetworkInitialisation();
}

void TMain::StartNetworkInitialisation() {
    ResetUnitButtons();
    iniTimer_->stop();
    core_.Initialisation.Start();
}

int TMain::LoadDefineFile1Click() {
    if (state_.SystemBusy()) return 0;
    QFileDialog dialog(this, QStringLiteral("Load Define File"),
                       QString::fromLatin1(kDefinitionFolder), QtFileFilter(kDefinitionFilter));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
    const int loaded =
        LoadProgramFromPath(state_, op_, dialog.selectedFiles().first().toStdString());
    UpdateCaption();
    return loaded;
}

void TMain::ChangeBaudrate1Click() {
    if (state_.SystemBusy()) return;
    {
        TBaudrateSelectDialog dialog(state_, this);
        ExecModal(dialog);
    }
    // However the dialog was closed, the network is moved to CurrentBaud.
    LineSession line = core_.Line.Take(LineUser::MainWindow);
    if (!line) return;  // another activity took the line while the dialog was open
    ChangeBaud(op_, line, state_.Serial.CurrentBaud.load());
}

void TMain::ConfigureSystem1Click() {
    TConfiguration::Actions actions;
    actions.WriteConfiguration = [this] { return WriteConfiguration(state_.Config, op_); };
    actions.StartNetworkInitialisation = [this] { StartNetworkInitialisation(); };
    actions.Enumerator = MakePlatformSerialEnumerator();
    actions.MakeMonitor = [] {
        std::string why;  // without a monitor the list has "Refresh"; nothing more to say
        return MakePlatformSerialMonitor(why);
    };
    actions.BindFailed = [this](const std::string& error) {
        op_.ShowMessageBox("Error, Can not Save Ports.cfg: " + error, "VDWin Error Message",
                           mb::Warning);
    };
    TConfiguration dialog(state_, std::move(actions), this);
    ExecModal(dialog);
}

void TMain::ExitProgram1Click() {
    EndProcess();
}

void TMain::EndProcess() {
    if (state_.Serial.PortOpen.load() == 1) core_.Line.CloseAtExit();
    for (auto& hook : exitHooks_) hook();
    std::fflush(nullptr);
    op_.Shutdown();
    exit_(0);
}

}  // namespace vendra::ui
