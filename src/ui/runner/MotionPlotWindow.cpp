#include "ui/runner/MotionPlotWindow.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"

namespace vendra::ui {

namespace {
constexpr int kSampleIntervalMs = 100;
// Four pixels per decimation run: each run draws up to four points, its first, extremes and last.
constexpr int kPixelsPerRun = 4;

// The smallest of `steps` times a power of ten that is at least v (v > 0).
double RoundAbove(double v, std::initializer_list<double> steps) {
    const double power = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : steps)
        if (m * power >= v) return m * power;
    return 10 * power;
}
// Axis ends that read well and leave little of the width unused.
double NiceAbove(double v) {
    return RoundAbove(v, {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0});
}
// Labels at round values (1, 2 or 5 times a power of ten apart), about five of them, from 0.
void SetRoundTicks(QValueAxis* axis) {
    const double span = axis->max() - axis->min();
    if (span <= 0) return;
    const double interval = RoundAbove(span / 5, {1.0, 2.0, 5.0});
    axis->setTickAnchor(0);
    axis->setTickInterval(interval);
    axis->setLabelFormat(interval < 1 ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
}
}  // namespace

TMotionPlot::TMotionPlot(SystemState& state, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), op_(op), sampler_(state.Boards) {
    setObjectName(QStringLiteral("MotionPlot"));
    setWindowTitle(QStringLiteral("Motion Plot"));

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignRight);
    timeAxis_ = new QValueAxis;
    timeAxis_->setTitleText(QStringLiteral("Time (s)"));
    timeAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_ = new QValueAxis;
    valueAxis_->setTitleText(QStringLiteral("Position / encoder count"));
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    // Until there is something to draw, ranges whose labels read well.
    timeAxis_->setRange(0, 10);
    valueAxis_->setRange(0, 1000);
    SetRoundTicks(timeAxis_);
    SetRoundTicks(valueAxis_);

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("PlotView"));
    view_->setMinimumSize(640, 400);

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
    ShowStatus();
}

TMotionPlot::~TMotionPlot() = default;

void TMotionPlot::Tick() {
    if (sampler_.Tick(TickMs(), state_.SystemBusy())) stale_ = true;
    if (stale_ && isVisible()) Redraw();
}

void TMotionPlot::AddLine(const QString& name) {
    Line line;
    line.head = new QLineSeries(chart_);
    line.head->setName(name);
    line.tail = new QLineSeries(chart_);
    for (QLineSeries* part : {line.head, line.tail}) {
        chart_->addSeries(part);
        part->attachAxis(timeAxis_);
        part->attachAxis(valueAxis_);
    }
    // Ten distinct colours (the chart's theme repeats after five); thin lines are drawn without
    // the costly wide-pen stroking.
    static const QRgb kColours[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                                    0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
    const QPen pen(QColor(kColours[lines_.size() % std::size(kColours)]), 1);
    line.head->setPen(pen);
    line.tail->setPen(pen);  // one colour: the two parts are one line
    for (QLegendMarker* marker : chart_->legend()->markers(line.tail)) marker->setVisible(false);
    lines_.push_back(std::move(line));
}

void TMotionPlot::Redraw() {
    const MotionTrace& trace = sampler_.Trace();
    for (size_t fresh = sampler_.TakeNewSeriesCount(); fresh > 0; --fresh)
        AddLine(QString::fromStdString(trace.SeriesName(lines_.size())));
    const int width = static_cast<int>(chart_->plotArea().width());
    const size_t runs = static_cast<size_t>(std::max(50, width / kPixelsPerRun));
    double lo = 0, hi = 0;
    bool any = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        trace.Decimate(i, runs, lines_[i].drawn);
        for (const PlotPoint& p : lines_[i].drawn) {
            lo = any ? std::min(lo, p.y) : p.y;
            hi = any ? std::max(hi, p.y) : p.y;
            any = true;
        }
    }
    // The axes move in steps, not on every sample: a new range makes the chart lay out and
    // recompute every line, which costs more than drawing it.
    const size_t samples = trace.SampleCount();
    const double end = samples ? trace.TimeMs(samples - 1) / 1000.0 : 0.0;
    if (samples && (end > timeAxis_->max() || end < timeAxis_->max() / 4)) {
        timeAxis_->setRange(0, NiceAbove(std::max(end * 1.1, 1.0)));
        SetRoundTicks(timeAxis_);
    }
    if (any) {
        const double span = std::max(1.0, hi - lo);
        if (lo < valueAxis_->min() || hi > valueAxis_->max() ||
            valueAxis_->max() - valueAxis_->min() > 4 * span) {
            valueAxis_->setRange(lo - span * 0.1, hi + span * 0.1);
            SetRoundTicks(valueAxis_);
        }
    }
    auto give = [this](QLineSeries* part, const std::vector<PlotPoint>& points, size_t first,
                       size_t end) {
        list_.resize(static_cast<qsizetype>(end - first));
        for (size_t k = first; k < end; ++k)
            list_[static_cast<qsizetype>(k - first)] = QPointF(points[k].x, points[k].y);
        part->replace(list_);
    };
    const QRectF area = chart_->plotArea();
    const PlotScale scale{timeAxis_->min(), (timeAxis_->max() - timeAxis_->min()) / area.width(),
                          valueAxis_->min(),
                          (valueAxis_->max() - valueAxis_->min()) / area.height()};
    for (Line& line : lines_) {
        const PlotSplit::Changes changes = line.split.Update(line.drawn, scale);
        if (changes.head) give(line.head, line.drawn, 0, line.split.HeadSize());
        if (changes.tail) give(line.tail, line.drawn, line.split.TailStart(), line.drawn.size());
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
    stale_ = true;
}

void TMotionPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    stale_ = true;  // the number of runs drawn follows the width
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
