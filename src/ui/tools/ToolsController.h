// The main window's monitoring and test tools: "Serial Network Test" starts the core's
// communication test, the MainTimer shows its progress in the group MainBarGraph and the bar
// MainBarProgress, and the check boxes "Disp. Encoders" and "Disp. Temp. Reg." create and destroy
// their display windows (after their own steps on the state).
// Thread rule: GUI thread only; the test's worker reaches the window through the state and the
// Operator.
#pragma once
#include <QObject>
#include <QPointer>
#include <cstdint>

#include "ui/tools/EncoderDisplay.h"
#include "ui/tools/TempRegisterDisplay.h"

namespace vendra {
class Core;
}

namespace vendra::ui {

class TMain;

class ToolsController : public QObject {
    Q_OBJECT
  public:
    explicit ToolsController(TMain& main);

    // One MainTimer tick: the test's caption, range and position.
    void ShowTestProgress();
    TEncoders* EncoderWindow() const { return encoders_; }
    TTempRegisterDisplay* TempRegisterWindow() const { return registers_; }

  private:
    void DispEncodersToggled(bool checked);
    void DisplayTempRegToggled(bool checked);

    TMain& main_;
    Core& core_;
    QPointer<TEncoders> encoders_;
    QPointer<TTempRegisterDisplay> registers_;
    uint32_t shownLayout_;
};

ToolsController* InstallTools(TMain& main);

}  // namespace vendra::ui
