// bench-plot: the "Motion Plot" window drawing 8 series of 100,000 points each (almost three
// hours at 10 Hz) while a run goes on and updates it at 10 Hz. Runs on whatever platform
// QT_QPA_PLATFORM selects (offscreen paints in this process). Two runs, each its own window:
//   run    the motors of a program: moves to new targets every few seconds, encoders that follow
//          their motor over a second with a little slip, pauses between moves
//   worst  every series changes on every sample, faster than a pixel column can show (sines,
//          saw-tooth sweeps): each column of the plot is a band from the lowest to the highest
//          value, the most a redraw can have to draw
// Prints, for each run:
//   <run>_cpu_percent   process CPU time (user + system) over wall time while the window samples
//                       and redraws, in percent of one core
// and:
//   idle_cpu_percent    the same with the windows hidden and the system idle, measured alongside
//   show_ms             showing the worst run's window at another width: every line anew
//   decimate_ms         decimating all 8 series for the plot area's pixel columns
//   paint_ms            one paint of the plot, the lines already decimated
//   csv_rows, csv_bytes, csv_ms   exporting every point of the worst run to CSV
// and, for a worst run ten times as long (1,000,000 samples a series, 28 hours at 10 Hz):
//   million_show_ms     as show_ms
//   million_decimate_ms as decimate_ms
//   million_paint_ms    as paint_ms
// Times are medians (show and CSV of 5 rounds, decimation and paint of 21).
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "support/QuietOperator.h"
#include "ui/runner/MotionPlotWindow.h"

using namespace vendra;
using namespace vendra::ui;

namespace {

constexpr uint64_t kPoints = 100000;
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

double MeasureCpu(int ms) {
    const double cpu0 = CpuSeconds();
    const uint64_t wall0 = TickUs();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (CpuSeconds() - cpu0) / ((TickUs() - wall0) / 1e6);
}

void Read(BoardState& b, int channel, int32_t count) {
    b.Qe[0][channel].Count = count;
    b.Qe[0][channel].Readings.fetch_add(1);
}

// A program's motors: six motors go to a new target every 4 to 9 s (host-tracked positions
// jump to it); two encoders follow their motor over a second, losing 0.1 % of the way.
void RunStep(BoardState& b, uint64_t step) {
    MotorRecord* motors[] = {&b.MotorD[3],           &b.MotorU[2],
                             &b.MotorH[1],           &b.MotorAxis[1][AxisW],
                             &b.MotorAxis[1][AxisX], &b.MotorAxis[1][AxisY]};
    for (uint64_t m = 0; m < 6; ++m) {
        const uint64_t period = 40 + 10 * m;
        motors[m]->Position = static_cast<int32_t>((step / period * 7919 + m * 131) % 4000);
    }
    for (int ch = 0; ch < 2; ++ch) {
        const uint64_t period = 40 + 10 * (3 + ch);  // follows the W and X axes
        const int32_t target = motors[3 + ch]->Position.load() * 999 / 1000;
        const int32_t count = b.Qe[0][ch].Count.load();
        const int32_t left = static_cast<int32_t>(step % period < 10 ? 10 - step % period : 1);
        Read(b, ch, count + (target - count) / left);
    }
}

// Every series on every sample, faster than a pixel column shows.
void WorstStep(BoardState& b, uint64_t step) {
    const double t = step * 0.1;
    b.MotorD[3].Position = static_cast<int32_t>(4000 * std::sin(t * 0.5));
    b.MotorU[2].Position = static_cast<int32_t>((step * 37) % 3000);
    b.MotorH[1].Position = static_cast<int32_t>(step % 7 * 100);
    b.MotorAxis[1][AxisX].Position = static_cast<int32_t>((step * 40) % 4000);
    b.MotorAxis[1][AxisY].Position = static_cast<int32_t>((step * 13) % 2500);
    b.MotorAxis[1][AxisZ].Position = static_cast<int32_t>(-1000 * std::cos(t * 0.7));
    Read(b, 0, b.MotorAxis[1][AxisX].Position.load());
    Read(b, 1, b.MotorAxis[1][AxisX].Position.load() - 4);
}

struct Scenario {
    SystemState state;
    QuietOperator op;
    TMotionPlot plot{state, op};
    uint64_t step = 0;
    QTimer run;

    // The record as a run of `points` samples leaves it, ending now; then the run goes on at
    // 10 Hz, the board state changing every 100 ms while the plot samples.
    Scenario(const std::function<void(BoardState&, uint64_t)>& move, uint64_t points) {
        plot.resize(1000, 640);
        const uint32_t start = TickMs() - static_cast<uint32_t>(points * 100);
        for (; step < points; ++step) {
            move(state.Boards, step);
            plot.Sampler().Sample(start + static_cast<uint32_t>(step * 100));
        }
        QObject::connect(&run, &QTimer::timeout, [this, move] { move(state.Boards, step++); });
    }
    double Measure() {
        plot.show();
        state.Run.ProgramRunning = 1;
        run.start(100);
        MeasureCpu(1000);  // settle
        const double cpu = MeasureCpu(kMeasureMs);
        run.stop();
        state.Run.ProgramRunning = 0;
        MeasureCpu(300);  // the sample after the end
        plot.hide();
        return cpu;
    }
};

}  // namespace

// Opening the window on the whole record: every line decimated, handed over and painted; then
// decimation alone, and a paint alone.
struct ShowFigures {
    double show, decimate, paint;
};
ShowFigures MeasureShow(QApplication& app, TMotionPlot& plot) {
    const MotionTrace& trace = plot.Sampler().Trace();
    std::vector<double> show, decimate, paint;
    QImage image(plot.View()->size(), QImage::Format_ARGB32_Premultiplied);
    for (int round = 0; round < 21; ++round) {
        if (round < 5) {  // the first show of the window, once more
            plot.hide();
            app.processEvents();
            plot.resize(1000 + 100 * (round % 2), 640);  // another width: every line anew
            const uint64_t t0 = TickUs();
            plot.show();          // decimates for the new width
            app.processEvents();  // shown and painted
            show.push_back((TickUs() - t0) / 1000.0);
        }
        const PlotColumns columns = plot.View()->Mapping().Columns();
        uint64_t t0 = TickUs();
        for (size_t s = 0; s < trace.SeriesCount(); ++s) {
            PlotDecimation anew;
            trace.Decimate(s, columns, anew);
        }
        decimate.push_back((TickUs() - t0) / 1000.0);
        t0 = TickUs();
        plot.View()->render(&image);
        paint.push_back((TickUs() - t0) / 1000.0);
    }
    plot.hide();
    return {Median(show), Median(decimate), Median(paint)};
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    auto run = std::make_unique<Scenario>(RunStep, kPoints);
    auto worst = std::make_unique<Scenario>(WorstStep, kPoints);
    const MotionTrace& trace = worst->plot.Sampler().Trace();
    std::printf("plot_series: %zu\nplot_points: %zu\n", trace.SeriesCount(), trace.PointCount(0));

    std::printf("run_cpu_percent: %.2f\n", run->Measure());
    std::printf("worst_cpu_percent: %.2f\n", worst->Measure());
    std::printf("idle_cpu_percent: %.2f\n", MeasureCpu(kMeasureMs / 2));

    const ShowFigures shown = MeasureShow(app, worst->plot);
    std::printf("show_ms: %.1f\ndecimate_ms: %.3f\npaint_ms: %.1f\n", shown.show, shown.decimate,
                shown.paint);

    const std::string path = "/tmp/bench_plot_" + std::to_string(getpid()) + ".csv";
    std::string error;
    std::vector<double> csv;
    long bytes = 0;
    for (int round = 0; round < 5; ++round) {
        const uint64_t t0 = TickUs();
        if (!trace.WriteCsvFile(path, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        csv.push_back((TickUs() - t0) / 1000.0);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        bytes = std::ftell(f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    std::printf("csv_rows: %zu\ncsv_bytes: %ld\ncsv_ms: %.1f\n", trace.SampleCount(), bytes,
                Median(csv));

    run.reset();
    worst.reset();
    Scenario million(WorstStep, 10 * kPoints);
    const ShowFigures m = MeasureShow(app, million.plot);
    std::printf(
        "million_points: %zu\nmillion_show_ms: %.1f\nmillion_decimate_ms: %.3f\n"
        "million_paint_ms: %.1f\n",
        million.plot.Sampler().Trace().PointCount(0), m.show, m.decimate, m.paint);
    return 0;
}
