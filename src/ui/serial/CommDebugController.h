// The "Comm. Debug" check box's handling on the window side: it runs the core's switch, which
// creates and destroys the TCommunicationsDebugger window through this controller.
//
// TMain (or a test) only connects the box: InstallCommDebug finds the box "CommDebug" and
// connects its toggled signal, so that ticking it from the core (enable_comm_debug) runs the same
// handling. A refused tick (no line) unticks the box again. Thread rule: GUI thread only.
#pragma once
#include <QObject>
#include <QPointer>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/serial/CommDebugLog.h"
#include "ui/serial/CommunicationsDebugger.h"

class QCheckBox;
class QWidget;

namespace vendra::ui {

class TMain;

class CommDebugController : public QObject, public CommDebugWindowHost {
    Q_OBJECT
  public:
    // The window is created as a top-level window owned by `windowOwner` (may be null), showing
    // the program line of a sent frame through `sourceLine`.
    CommDebugController(SystemState& state, Operator& op, CommDebugLog& log,
                        CommDebugSourceFn sourceLine, QWidget* windowOwner,
                        QObject* parent = nullptr);
    ~CommDebugController() override;

    // Connects the box's toggled signal to OnToggled.
    void Attach(QCheckBox* box);
    TCommunicationsDebugger* Window() const { return window_; }

    void CreateCommDebugWindow() override;
    void DestroyCommDebugWindow() override;

  public slots:
    void OnToggled(bool checked);

  private:
    SystemState& state_;
    Operator& op_;
    CommDebugLog& log_;
    CommDebugSourceFn sourceLine_;
    QPointer<QWidget> owner_;
    QPointer<QCheckBox> box_;
    QPointer<TCommunicationsDebugger> window_;
    bool switching_ = false;
};

// Attaches the "Comm. Debug" handling to the main window's box `CommDebug`, with the core's log;
// `sourceLine` names the program line of a sent frame.
void InstallCommDebug(TMain& main, CommDebugSourceFn sourceLine);

}  // namespace vendra::ui
