#include "ui/runner/MotionPlotWindow.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"

namespace vendra::ui {

namespace {
constexpr int kSampleIntervalMs = 100;
}  // namespace

TMotionPlot::TMotionPlot(SystemState& state, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), op_(op), sampler_(state.Boards) {
    setObjectName(QStringLiteral("MotionPlot"));
    setWindowTitle(QStringLiteral("Motion Plot"));

    view_ = new PlotCanvas(QStringLiteral("Time (s)"), QStringLiteral("Position / encoder count"),
                           this);
    view_->setObjectName(QStringLiteral("PlotView"));
    view_->setMinimumSize(640, 400);
    // Until there is something to draw, ranges whose labels read well.
    view_->SetAxes(axes_.Time(), axes_.Value());

    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    pause_ = makeButton("PauseButton", "Pause");
    pause_->setCheckable(true);
    QPushButton* clear = makeButton("ClearButton", "Clear");
    QPushButton* csv = makeButton("ExportCsvButton", "Export CSV");
    QPushButton* png = makeButton("SavePngButton", "Save PNG");
    connect(pause_, &QPushButton::toggled, this, &TMotionPlot::PauseToggled);
    connect(clear, &QPushButton::clicked, this, &TMotionPlot::ClearButtonClick);
    connect(csv, &QPushButton::clicked, this, &TMotionPlot::ExportCsvButtonClick);
    connect(png, &QPushButton::clicked, this, &TMotionPlot::SavePngButtonClick);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("PlotStatus"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear);
    buttons->addWidget(csv);
    buttons->addWidget(png);
    buttons->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);

    AskCsvFileName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                            QStringLiteral("motion_plot.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    AskPngFileName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save PNG"),
                                            QStringLiteral("motion_plot.png"),
                                            QStringLiteral("PNG (*.png)"));
    };

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TMotionPlot::Tick);
    timer_->start(kSampleIntervalMs);
    connect(view_, &PlotCanvas::AreaResized, this, [this] {
        stale_ = true;  // the number of columns follows the width
        if (isVisible()) Redraw();
    });
    ShowStatus();
}

TMotionPlot::~TMotionPlot() = default;

void TMotionPlot::Tick() {
    if (sampler_.Tick(TickMs(), state_.SystemBusy())) stale_ = true;
    if (stale_ && isVisible()) Redraw();
}

bool TMotionPlot::DecimateAll(const PlotColumns& columns, double& lo, double& hi) {
    const MotionTrace& trace = sampler_.Trace();
    bool any = false;
    for (size_t i = 0; i < drawn_.size(); ++i) {
        trace.Decimate(i, columns, drawn_[i]);
        for (const PlotPoint& p : drawn_[i].Points()) {
            lo = any ? std::min(lo, p.y) : p.y;
            hi = any ? std::max(hi, p.y) : p.y;
            any = true;
        }
    }
    return any;
}

void TMotionPlot::Redraw() {
    const MotionTrace& trace = sampler_.Trace();
    for (size_t fresh = sampler_.TakeNewSeriesCount(); fresh > 0; --fresh)
        view_->AddSeries(QString::fromStdString(trace.SeriesName(view_->SeriesCount())));
    drawn_.resize(view_->SeriesCount());
    const size_t samples = trace.SampleCount();
    if (samples) axes_.FollowTime(trace.TimeMs(samples - 1) / 1000.0);
    view_->SetAxes(axes_.Time(), axes_.Value());
    PlotMapping mapping = view_->Mapping();
    double lo = 0, hi = 0;
    // Each column keeps its extremes, so the values drawn span the same whatever the width; but
    // the value labels' width decides the area's, and a new width needs its own columns.
    if (DecimateAll(mapping.Columns(), lo, hi) && axes_.FollowValues(lo, hi)) {
        view_->SetAxes(axes_.Time(), axes_.Value());
        const int width = mapping.width;
        mapping = view_->Mapping();
        if (mapping.width != width) DecimateAll(mapping.Columns(), lo, hi);
    }
    for (size_t i = 0; i < drawn_.size(); ++i) {
        mapping.ToPixels(drawn_[i].Points(), pixels_);
        view_->SetLine(i, pixels_);
    }
    stale_ = false;
    ShowStatus();
}

void TMotionPlot::ShowStatus() {
    const MotionTrace& trace = sampler_.Trace();
    QString text;
    if (trace.SeriesCount() == 0)
        text = QStringLiteral("No motor has moved and no encoder has reported yet.");
    else  // whole seconds: the text changes once a second, not on every sample
        text = QStringLiteral("%1 series, %2 s recorded")
                   .arg(trace.SeriesCount())
                   .arg(trace.SampleCount() ? trace.TimeMs(trace.SampleCount() - 1) / 1000 : 0);
    if (sampler_.Paused()) text += QStringLiteral(" - paused");
    if (status_->text() != text) status_->setText(text);
}

void TMotionPlot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) Redraw();  // samples taken while hidden
}

void TMotionPlot::PauseToggled(bool paused) {
    sampler_.SetPaused(paused);
    pause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    ShowStatus();
}

void TMotionPlot::ClearButtonClick() {
    sampler_.Clear();
    Redraw();
}

void TMotionPlot::ExportCsvButtonClick() {
    QString name = AskCsvFileName ? AskCsvFileName() : QString();
    if (name.isEmpty()) return;
    std::string error;
    if (!sampler_.Trace().WriteCsvFile(name.toStdString(), error))
        op_.ShowMessageBox(error, "VDWin Error Message", mb::IconWarning);
}

void TMotionPlot::SavePngButtonClick() {
    QString name = AskPngFileName ? AskPngFileName() : QString();
    if (name.isEmpty()) return;
    if (stale_) Redraw();
    if (!view_->grab().save(name, "PNG"))
        op_.ShowMessageBox("Can not write the file " + name.toStdString(), "VDWin Error Message",
                           mb::IconWarning);
}

void InstallMotionPlot(TMain& main) {
    auto* network = main.findChild<QMenu*>(QStringLiteral("Network1"));
    if (!network) return;
    QAction* open = network->addAction(QStringLiteral("Motion Plot"));
    open->setObjectName(QStringLiteral("MotionPlot1"));
    open->setEnabled(false);
    auto window = std::make_shared<QPointer<TMotionPlot>>();
    QObject::connect(open, &QAction::triggered, &main, [&main, window] {
        if (!*window) *window = new TMotionPlot(main.State(), main.Op(), &main);
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    });
    SystemState& state = main.State();
    main.AddTimerHook([open, &state] { open->setEnabled(state.Units.totalUnits.load() > 0); });
}

}  // namespace vendra::ui
