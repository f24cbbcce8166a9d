// TEncoders, the "Encoder Display": the latest counts of QBoard units 0 to 15, two channels each,
// in the fields Encoder1..Encoder32 beside the captions "Enc 1".."Enc 32". It only displays.
// Its timer EncoderTimer starts at 400 ms and takes EncoderWinTime at every tick, so a changed
// configuration applies at the next tick. Closing it by its title bar only hides it.
// Thread rule: GUI thread only; the runner writes the channel texts on its thread (SharedText).
#pragma once
#include <QWidget>

#include "core/serial/BoardState.h"
#include "core/tools/Monitors.h"

class QLabel;
class QTimer;

namespace vendra {
struct Configuration;
}

namespace vendra::ui {

class TEncoders : public QWidget {
    Q_OBJECT
  public:
    TEncoders(const BoardState& boards, const Configuration& config, QWidget* parent = nullptr);

    QTimer* EncoderTimer() const { return timer_; }
    QLabel* Field(int k) const;  // Encoder<k>, k = 1..32
    void EncoderTimerTimer();

  private:
    const BoardState& boards_;
    const Configuration& config_;
    QTimer* timer_;
    QLabel* fields_[kEncoderFields] = {};
};

}  // namespace vendra::ui
