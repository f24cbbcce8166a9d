// TMain, the main window: menus, run and debug controls, status labels, statistics fields, the
// five unit groups with their indicators and counts, and the start-up sequence.
//
// The window stays thin. Handler groups that belong to other subsystems (run control, comm debug,
// statistics, tools) live in their own source files and attach themselves in InstallExtensions
// (app/Extensions.cpp): they find controls by their component names with Control<T>("RunButton")
// and MenuAction("AxisInformation1"), and add per-tick work with AddTimerHook.
// Thread rule: GUI thread only; workers reach it through QtOperator.
#pragma once
#include <QMainWindow>
#include <QString>
#include <functional>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"

class QAction;
class QLabel;
class QRadioButton;
class QTimer;

namespace vendra {
class Core;
}

namespace vendra::ui {

class QtOperator;

class TMain : public QMainWindow {
    Q_OBJECT
  public:
    TMain(Core& core, QtOperator& op, QWidget* parent = nullptr);
    ~TMain() override;

    Core& GetCore() const { return core_; }
    SystemState& State() const { return state_; }
    QtOperator& Op() const { return op_; }

    // A control of the window by its component name (objectName); nullptr if none.
    template <class T = QWidget>
    T* Control(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }
    // A menu item by its component name ("LoadDefineFile1", "AxisInformation1", ...).
    QAction* MenuAction(const char* name) const;
    QRadioButton* UnitIndicatorButton(UnitGroup group, int address) const;
    QLabel* UnitCountLabel(UnitGroup group) const;
    QTimer* MainTimer() const { return mainTimer_; }
    QTimer* IniTimer() const { return iniTimer_; }

    // Work done on every MainTimer tick (100 ms), in the order added, before the caption update.
    void AddTimerHook(std::function<void()> hook);
    // Opens the definition editor modally ("Edit Define File").
    void SetDefinitionEditor(std::function<void()> open);
    // Work that must be finished before the process ends (flush files being written).
    void AddExitHook(std::function<void()> hook);
    // What ends the process (default: std::_Exit). Tests replace it.
    void SetExitFunction(std::function<void(int)> exit);

    // ---- what QtOperator's notifications do ----
    void ShowSystemMessage(const QString& text);
    void ShowUnitIndicator(UnitGroup group, int address, UnitIndicator state);
    void ShowUnitCount(UnitGroup group, const QString& text);
    void EnableMenuItem(MenuItem item, bool enabled);
    void SetCheckBoxChecked(CheckBox box, bool checked);
    void ShowProgress(int percent);

    // ---- start-up ----
    void FormActivate();  // the one-time initialisation; later activations do nothing
    void IniTimerTimer();
    void MainTimerTimer();
    void ResetUnitButtons();
    // Resets the indicators and starts a network initialisation worker (never two at once).
    void StartNetworkInitialisation();
    void UpdateCaption();

    // ---- menu handlers ----
    // 1 when a program was loaded; a cancelled dialog or a failed load leave the program as it was.
    int LoadDefineFile1Click();
    void EditDefineFile1Click();
    void ChangeBaudrate1Click();
    void ConfigureSystem1Click();
    void ExitProgram1Click();
    void About1Click();

    // ---- check boxes ----
    // "Disp. Encoders" / "Disp. Temp. Reg.": the window's own steps when ticked (zero the encoder
    // channels; mark the registers to draw). The display windows attach their own handling.

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildForm();
    QWidget* BuildLeftColumn();
    QWidget* BuildStatistics();
    QWidget* BuildUnitGroups();
    void BuildMenus();
    void ConnectOwnHandlers();
    void ResetRunDisplayState();
    void PlaceFrameOnce();
    void EndProcess();

    Core& core_;
    SystemState& state_;
    QtOperator& op_;
    QTimer* mainTimer_ = nullptr;
    QTimer* iniTimer_ = nullptr;
    QRadioButton* indicators_[kUnitGroups][16] = {};
    QLabel* counts_[kUnitGroups] = {};
    std::vector<std::function<void()>> timerHooks_;
    std::vector<std::function<void()>> exitHooks_;
    std::function<void()> definitionEditor_;
    std::function<void(int)> exit_;
    QString shownCaption_;
    bool activationQueued_ = false;
    bool framePlaced_ = false;
};

// Attaches the handler groups of every subsystem to the window (app/Extensions.cpp).
void InstallExtensions(TMain& main);

}  // namespace vendra::ui
