// TTempRegisterDisplay, the "Temporary Register Display": registers 1 to 40 in the fields
// Temp1..Temp40 beside "Temp #1".."Temp #40", as signed decimal. A field is redrawn only when its
// register's change flag is set; the window clears the flags it shows. When shown it marks every
// register changed and sets its timer TempTimer to TempWinTime; closing it only hides it and
// stops the timer. It only displays.
// Thread rule: GUI thread only; the runner writes registers and flags on its thread (atomics).
#pragma once
#include <QWidget>

#include "core/runner/TempRegisters.h"
#include "core/tools/Monitors.h"

class QLabel;
class QTimer;

namespace vendra {
struct Configuration;
}

namespace vendra::ui {

class TTempRegisterDisplay : public QWidget {
    Q_OBJECT
  public:
    TTempRegisterDisplay(TempRegisterFile& registers, const Configuration& config,
                         QWidget* parent = nullptr);

    QTimer* TempTimer() const { return timer_; }
    QLabel* Field(int n) const;  // Temp<n>, n = 1..40
    void TempTimerTimer();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    TempRegisterFile& registers_;
    const Configuration& config_;
    QTimer* timer_;
    QLabel* fields_[kShownTempRegisters] = {};
};

}  // namespace vendra::ui
