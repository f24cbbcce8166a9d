// TMotionPlot, the "Motion Plot" window: draws against time the host-tracked position of every
// motor that moved and the count of every QBoard channel that reported, one line per series,
// with "Pause", "Clear", "Export CSV" and "Save PNG". It only reads the board state; the record
// and its geometry (axes, decimation, pixels) are the core's MotionSampler and PlotGeometry; the
// painting is PlotCanvas's.
//
// The window samples every 100 ms from the moment it is first opened, also while hidden, so that
// reopening it shows the whole run; it redraws only while shown. Closing hides it.
// The file-name questions can be replaced (tests). Thread rule: GUI thread only.
#pragma once
#include <QWidget>
#include <functional>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/runner/MotionSampler.h"
#include "core/runner/PlotGeometry.h"
#include "ui/runner/PlotCanvas.h"

class QLabel;
class QPushButton;
class QTimer;

namespace vendra::ui {

class TMain;

class TMotionPlot : public QWidget {
    Q_OBJECT
  public:
    TMotionPlot(SystemState& state, Operator& op, QWidget* parent = nullptr);
    ~TMotionPlot() override;

    MotionSampler& Sampler() { return sampler_; }
    PlotCanvas* View() const { return view_; }
    QTimer* SampleTimer() const { return timer_; }

    std::function<QString()> AskCsvFileName;  // empty = cancelled
    std::function<QString()> AskPngFileName;  // empty = cancelled

  public slots:
    // One timer tick: a sample when the system is active, and a redraw when shown.
    void Tick();
    // Draws the record as it stands.
    void Redraw();
    void PauseToggled(bool paused);
    void ClearButtonClick();
    void ExportCsvButtonClick();
    void SavePngButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowStatus();
    // Decimates every series for the plot area's columns; the lowest and highest value drawn.
    bool DecimateAll(const PlotColumns& columns, double& lo, double& hi);

    SystemState& state_;
    Operator& op_;
    MotionSampler sampler_;
    PlotAxes axes_;
    PlotCanvas* view_;
    QLabel* status_;
    QPushButton* pause_;
    QTimer* timer_;
    std::vector<PlotDecimation> drawn_;  // per series, kept up to date from redraw to redraw
    std::vector<PlotPixel> pixels_;      // scratch for handing a line over
    bool stale_ = true;                  // the record changed since it was drawn
};

// Adds "Motion Plot" to the main window's Network menu, enabled once units are found; the
// window is made on first use and kept.
void InstallMotionPlot(TMain& main);

}  // namespace vendra::ui
