#include "ui/app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/StartupReset.h"
#include "ui/app/AboutDialog.h"
#include "ui/app/BaudrateSelectDialog.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"

namespace vendra::ui {

namespace {
const QString kCaption = QStringLiteral("Vendra for Windows");
}

TMain::TMain(Core& core, QtOperator& op, QWidget* parent)
    : QMainWindow(parent), core_(core), state_(core.State), op_(op), exit_([](int code) {
          std::_Exit(code);
      }) {
    setObjectName(QStringLiteral("TMain"));
    setWindowTitle(kCaption);
    // The form's fixed client area is laid out for a compact dialog font.
    QFont compact = font();
    compact.setPointSizeF(8);
    setFont(compact);
    BuildForm();
    // A single fixed border: the window keeps the size of its client area and menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    move(0, 0);

    mainTimer_ = new QTimer(this);
    mainTimer_->setObjectName(QStringLiteral("MainTimer"));
    mainTimer_->setInterval(100);
    connect(mainTimer_, &QTimer::timeout, this, &TMain::MainTimerTimer);
    iniTimer_ = new QTimer(this);
    iniTimer_->setObjectName(QStringLiteral("IniTimer"));
    iniTimer_->setInterval(100);
    iniTimer_->setSingleShot(true);
    connect(iniTimer_, &QTimer::timeout, this, &TMain::IniTimerTimer);

    ConnectOwnHandlers();
    op_.SetMainWindow(this);
    InstallExtensions(*this);
    mainTimer_->start();
}

TMain::~TMain() {
    if (op_.MainWindow() == this) op_.SetMainWindow(nullptr);
}

QAction* TMain::MenuAction(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

QRadioButton* TMain::UnitIndicatorButton(UnitGroup group, int address) const {
    const int g = static_cast<int>(group);
    if (g < 0 || g >= kUnitGroups || address < 0 || address > 15) return nullptr;
    return indicators_[g][address];
}

QLabel* TMain::UnitCountLabel(UnitGroup group) const {
    const int g = static_cast<int>(group);
    return g >= 0 && g < kUnitGroups ? counts_[g] : nullptr;
}

void TMain::AddTimerHook(std::function<void()> hook) {
    timerHooks_.push_back(std::move(hook));
}
void TMain::SetDefinitionEditor(std::function<void()> open) {
    definitionEditor_ = std::move(open);
}
void TMain::AddExitHook(std::function<void()> hook) {
    exitHooks_.push_back(std::move(hook));
}
void TMain::SetExitFunction(std::function<void(int)> exit) {
    exit_ = std::move(exit);
}

void TMain::ConnectOwnHandlers() {
    connect(MenuAction("LoadDefineFile1"), &QAction::triggered, this, &TMain::LoadDefineFile1Click);
    connect(MenuAction("EditDefineFile1"), &QAction::triggered, this, &TMain::EditDefineFile1Click);
    connect(MenuAction("ChangeBaudrate1"), &QAction::triggered, this, &TMain::ChangeBaudrate1Click);
    connect(MenuAction("ConfigureSystem1"), &QAction::triggered, this,
            &TMain::ConfigureSystem1Click);
    connect(MenuAction("ExitProgram1"), &QAction::triggered, this, &TMain::ExitProgram1Click);
    connect(MenuAction("About1"), &QAction::triggered, this, &TMain::About1Click);
    // toggled, not clicked: setting the box from code must act like a click.
    connect(Control<QCheckBox>("TimeStamp"), &QCheckBox::toggled, this,
            [this](bool on) { state_.Serial.TimeStampFrames = on ? 1 : 0; });
}

// ---- notifications ----

void TMain::ShowSystemMessage(const QString& text) {
    Control<QLabel>("SystemMessages")->setText(text);
}

void TMain::ShowUnitIndicator(UnitGroup group, int address, UnitIndicator state) {
    QRadioButton* b = UnitIndicatorButton(group, address);
    if (b == nullptr) return;
    switch (state) {
        case UnitIndicator::Reset:
            b->setEnabled(true);
            b->setChecked(false);
            break;
        case UnitIndicator::Marked:
            b->setEnabled(true);
            b->setChecked(true);
            break;
        case UnitIndicator::Disabled:
            b->setEnabled(false);
            break;
    }
}

void TMain::ShowUnitCount(UnitGroup group, const QString& text) {
    if (QLabel* l = UnitCountLabel(group)) l->setText(text);
}

void TMain::EnableMenuItem(MenuItem item, bool enabled) {
    switch (item) {
        case MenuItem::TerminalAndNetworkScanning:
            MenuAction("TerminalandNetworkScanning1")->setEnabled(enabled);
            break;
        case MenuItem::AxisInformation:
            MenuAction("AxisInformation1")->setEnabled(enabled);
            break;
        case MenuItem::ChangeBaudrate:
            MenuAction("ChangeBaudrate1")->setEnabled(enabled);
            break;
        case MenuItem::SerialNetworkTest:
            MenuAction("SerialNetworkTest1")->setEnabled(enabled);
            break;
        case MenuItem::ArmConfiguration:
            MenuAction("ARMConfiguration1")->setEnabled(enabled);
            break;
        case MenuItem::CommDebugBox:
            Control<QCheckBox>("CommDebug")->setEnabled(enabled);
            break;
        case MenuItem::RunProgram:
            Control<QPushButton>("RunButton")->setEnabled(enabled);
            break;
    }
}

void TMain::SetCheckBoxChecked(CheckBox box, bool checked) {
    const char* name = "CommDebug";
    switch (box) {
        case CheckBox::CommDebug:
            name = "CommDebug";
            break;
        case CheckBox::ProgramDebug:
            name = "ProgramDebug";
            break;
        case CheckBox::Breakpoints:
            name = "Breakpoints";
            break;
        case CheckBox::DispEncoders:
            name = "DispEncoders";
            break;
        case CheckBox::DispTempReg:
            name = "DisplayTempReg";
            break;
        case CheckBox::TimeStamp:
            name = "TimeStamp";
            break;
    }
    Control<QCheckBox>(name)->setChecked(checked);
}

void TMain::ShowProgress(int percent) {
    Control<QProgressBar>("MainBarProgress")->setValue(std::clamp(percent, 0, 100));
}

// ---- start-up ----

bool TMain::event(QEvent* event) {
    // The first activation runs the start-up sequence; it is queued so that its dialogs do not
    // run inside the activation event itself. Showing counts as activation too, since a window
    // shown without a window manager may never be activated.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) &&
        !activationQueued_ && state_.App.FirstActivationDone.load() == 0) {
        activationQueued_ = true;
        QTimer::singleShot(0, this, &TMain::FormActivate);
    }
    // The frame, not the client area, belongs at the screen's top-left corner; its size is known
    // only once the window manager has framed the window, so it is placed then (once).
    return QMainWindow::event(event);
}

void TMain::ResetRunDisplayState() {
    state_.Run.ProgramPointer = 0;
    state_.Run.LineText.Set("1");
    state_.Run.CloopText.Set(std::to_string(state_.Run.CloopCounter.load()));
    Control<QLabel>("Line1")->setText(QStringLiteral("1"));
    Control<QLabel>("CLoop")->setText(QString::number(state_.Run.CloopCounter.load()));
    state_.Run.DisplayRefresh = 1;
}

void TMain::ResetUnitButtons() {
    for (int g = 0; g < kUnitGroups; ++g)
        for (int a = 0; a < 16; ++a)
            ShowUnitIndicator(static_cast<UnitGroup>(g), a, UnitIndicator::Reset);
}

void TMain::UpdateCaption() {
    QString caption = QString::fromStdString(LoadedCaption(state_.App.ProgramName.Get()));
    if (state_.Serial.Simulated.load() != 0) caption += QStringLiteral(" - SIMULATED NETWORK");
    // Only a changed caption is set: the timer must not repaint the title bar ten times a second.
    if (caption != shownCaption_) {
        shownCaption_ = caption;
        setWindowTitle(caption);
    }
}

void TMain::PlaceFrameOnce() {
    // The frame, not the client area, belongs at the screen's top-left corner. Its size is known
    // only some time after the window manager framed the window, so the first ticks look for it.
    if (framePlaced_ || !isVisible()) return;
    QWindow* window = windowHandle();
    if (window == nullptr || window->frameMargins().isNull()) return;
    framePlaced_ = true;
    const QMargins frame = window->frameMargins();
    window->setPosition(frame.left(), frame.top());
}

void TMain::MainTimerTimer() {
    for (auto& hook : timerHooks_) hook();
    UpdateCaption();
    PlaceFrameOnce();
}

// ---- menu handlers ----

void TMain::EditDefineFile1Click() {
    if (state_.SystemBusy() || !definitionEditor_) return;
    if (state_.App.ProgramLoaded.load() == 0) state_.App.ProgramName.Set("New Program");
    definitionEditor_();
    UpdateCaption();
}

void TMain::About1Click() {
    TAboutDialog dialog(this);
    ExecModal(dialog);
}

void TMain::closeEvent(QCloseEvent* event) {
    event->accept();
    ExitProgram1Click();
}

}  // namespace vendra::ui
