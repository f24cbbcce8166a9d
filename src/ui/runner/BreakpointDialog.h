// TBreakpointDialog: the modeless breakpoint dialog behind the "Breakpoints" check box. Six edits
// (IDC_BREAKPOINT1..6) show and set breakpoint slots 1..6; "Update" stores them. The work is the
// core's (runner/RunControl.h); the dialog only shows it.
// Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <array>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"

class QLineEdit;

namespace vendra::ui {

class TBreakpointDialog : public QDialog {
    Q_OBJECT
  public:
    TBreakpointDialog(SystemState& state, Operator& op, QWidget* parent = nullptr);

    void FormActivate();
    void UpdateButtonClick();

  signals:
    // The operator closed the window (its close button or Escape; both end in reject).
    void Closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    SystemState& state_;
    Operator& op_;
    std::array<QLineEdit*, 6> edits_{};
    bool activated_ = false;
};

}  // namespace vendra::ui
