// bench-plot: the "Motion Plot" window drawing 8 series of 100,000 points each while a run
// updates it at 10 Hz (positions and counts change on every tick). Runs on whatever platform
// QT_QPA_PLATFORM selects (offscreen paints in this process). Prints:
//   plot_points            points held per series when the measurement starts
//   plot_cpu_percent       process CPU time (user + system) over wall time while the window
//                          samples and redraws, in percent of one core
//   idle_cpu_percent       the same with the window closed (hidden) and the system idle: the cost
//                          of the program without the plot, measured alongside
//   redraw_ms              one redraw (decimation of all 8 series and the chart's repaint), median
//   decimate_ms            decimating all 8 series alone, median
//   csv_ms, csv_bytes      exporting every point to CSV
#include <sys/resource.h>

#include <QApplication>
#include <QChartView>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "support/QuietOperator.h"
#include "ui/runner/MotionPlotWindow.h"

using namespace vendra;
using namespace vendra::ui;

namespace {

constexpr size_t kPoints = 100000;
constexpr int kMeasureMs = 10000;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Eight motors and channels, moving as a run moves them: ramps, steps and an encoder that trails.
void Move(SystemState& s, uint64_t step) {
    const double t = step * 0.1;
    s.Boards.MotorD[3].Position = static_cast<int32_t>(4000 * std::sin(t * 0.05));
    s.Boards.MotorU[2].Position = static_cast<int32_t>((step / 50) % 2 ? 3000 : 0);
    s.Boards.MotorH[1].Position = static_cast<int32_t>(step % 700);
    s.Boards.MotorAxis[1][AxisX].Position = static_cast<int32_t>((step * 40) % 4000);
    s.Boards.MotorAxis[1][AxisY].Position = static_cast<int32_t>((step / 100) * 500 % 2500);
    s.Boards.MotorAxis[1][AxisZ].Position = static_cast<int32_t>(-1000 * std::cos(t * 0.01));
    for (int ch = 0; ch < 2; ++ch) {
        s.Boards.Qe[0][ch].Count = s.Boards.MotorAxis[1][AxisX].Position.load() - 4 * ch;
        s.Boards.Qe[0][ch].Readings.fetch_add(1);
    }
}

double MeasureCpu(int ms) {
    const double cpu0 = CpuSeconds();
    const uint64_t wall0 = TickUs();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (CpuSeconds() - cpu0) / ((TickUs() - wall0) / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SystemState state;
    QuietOperator op;
    TMotionPlot plot(state, op);
    plot.resize(1000, 640);

    // The record as a run of almost three hours leaves it, ending now.
    const uint32_t start = TickMs() - static_cast<uint32_t>(kPoints * 100);
    for (uint64_t i = 0; i < kPoints; ++i) {
        Move(state, i);
        plot.Sampler().Sample(start + static_cast<uint32_t>(i * 100));
    }
    const MotionTrace& trace = plot.Sampler().Trace();
    std::printf("plot_series: %zu\nplot_points: %zu\n", trace.SeriesCount(), trace.PointCount(0));

    plot.show();
    app.processEvents();

    // The run goes on at 10 Hz: the board state changes every 100 ms while the plot samples.
    uint64_t step = kPoints;
    QTimer run;
    QObject::connect(&run, &QTimer::timeout, [&] { Move(state, step++); });
    state.Run.ProgramRunning = 1;
    run.start(100);
    MeasureCpu(1000);  // settle
    std::printf("plot_cpu_percent: %.2f\n", MeasureCpu(kMeasureMs));

    // Side by side: the same process with the plot hidden and nothing running.
    state.Run.ProgramRunning = 0;
    run.stop();
    plot.hide();
    std::printf("idle_cpu_percent: %.2f\n", MeasureCpu(kMeasureMs / 2));

    plot.show();
    app.processEvents();
    std::vector<double> redraw, decimate;
    std::vector<PlotPoint> points;
    for (int round = 0; round < 21; ++round) {
        uint64_t t0 = TickUs();
        plot.Redraw();
        plot.View()->repaint();
        redraw.push_back((TickUs() - t0) / 1000.0);
        t0 = TickUs();
        for (size_t s = 0; s < trace.SeriesCount(); ++s) trace.Decimate(s, 400, points);
        decimate.push_back((TickUs() - t0) / 1000.0);
    }
    std::printf("redraw_ms: %.3f\ndecimate_ms: %.3f\n", Median(redraw), Median(decimate));

    const std::string path = "/tmp/bench_plot_" + std::to_string(getpid()) + ".csv";
    std::string error;
    uint64_t t0 = TickUs();
    if (!trace.WriteCsvFile(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double csvMs = (TickUs() - t0) / 1000.0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long bytes = std::ftell(f);
    std::fclose(f);
    std::remove(path.c_str());
    std::printf("csv_rows: %zu\ncsv_bytes: %ld\ncsv_ms: %.1f\n", trace.SampleCount(), bytes, csvMs);
    return 0;
}
