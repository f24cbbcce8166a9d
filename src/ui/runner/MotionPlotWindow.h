// TMotionPlot, the "Motion Plot" window: draws against time the host-tracked position of every
// motor that moved and the count of every QBoard channel that reported, one line per series,
// with "Pause", "Clear", "Export CSV" and "Save PNG". It only reads the board state; the record
// and its decimation are the core's MotionSampler.
//
// The window samples every 100 ms from the moment it is first opened, also while hidden, so that
// reopening it shows the whole run; it redraws only while shown. Closing hides it.
// The file-name questions can be replaced (tests). Thread rule: GUI thread only.
#pragma once
#include <QList>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/runner/MotionSampler.h"
#include "core/runner/PlotSplit.h"

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;

namespace vendra::ui {

class TMain;

class TMotionPlot : public QWidget {
    Q_OBJECT
  public:
    TMotionPlot(SystemState& state, Operator& op, QWidget* parent = nullptr);
    ~TMotionPlot() override;

    MotionSampler& Sampler() { return sampler_; }
    QChartView* View() const { return view_; }
    QChart* Chart() const { return chart_; }
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
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowStatus();

    SystemState& state_;
    Operator& op_;
    MotionSampler sampler_;
    QChart* chart_;
    QChartView* view_;
    QValueAxis* timeAxis_;
    QValueAxis* valueAxis_;
    QLabel* status_;
    QPushButton* pause_;
    QTimer* timer_;
    // One line per series, drawn as a settled head and a short tail (see PlotSplit).
    struct Line {
        QLineSeries* head;
        QLineSeries* tail;
        PlotSplit split;
        std::vector<PlotPoint> drawn;  // this redraw's points
    };
    void AddLine(const QString& name);
    std::vector<Line> lines_;
    QList<QPointF> list_;  // scratch for handing points over
    bool stale_ = true;    // the record changed since it was drawn
};

// Adds "Motion Plot" to the main window's Network menu, enabled once units are found; the
// window is made on first use and kept.
void InstallMotionPlot(TMain& main);

}  // namespace vendra::ui
