// The motion plot's record: which motors and channels become series, when samples are taken,
// decimation for drawing, and the CSV export.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "core/app/SystemState.h"
#include "core/runner/MotionSampler.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/QeReading.h"
#include "support/ScratchFolder.h"

namespace vendra {
namespace {

std::vector<std::string> Names(const MotionTrace& t) {
    std::vector<std::string> out;
    for (size_t i = 0; i < t.SeriesCount(); ++i) out.push_back(t.SeriesName(i));
    return out;
}

using test::ReadFile;

TEST(MotionSamplerTest, SeriesAreTheMotorsThatMovedAndTheChannelsThatReported) {
    SystemState state;
    QeDataLogger logger(state.Run);
    state.Boards.MotorU[2].Position = 700;  // where it stood before: not a move
    state.Boards.Qe[0][0].Count = 55;       // a count that no reading filed
    MotionSampler sampler(state.Boards);

    EXPECT_FALSE(sampler.Sample(1000));  // nothing moved: nothing recorded
    EXPECT_EQ(sampler.Trace().SampleCount(), 0u);

    state.Boards.MotorAxis[1][AxisY].Position = -5;
    state.Boards.MotorD[3].Position = 1000;
    FileQeReading(QeReadingStateOf(state), &logger, 0, QeReadingMode::OneChannel, 1, "12");
    ASSERT_TRUE(sampler.Sample(1100));
    EXPECT_EQ(Names(sampler.Trace()), (std::vector<std::string>{"D3", "X1 axis Y", "Q0 ch 1"}));
    EXPECT_EQ(sampler.TakeNewSeriesCount(), 3u);

    state.Boards.MotorU[2].Position = 900;
    state.Boards.MotorH[10].Position = 1;
    FileQeReading(QeReadingStateOf(state), &logger, 15, QeReadingMode::BothChannels, 0, "3,4");
    ASSERT_TRUE(sampler.Sample(1250));
    EXPECT_EQ(Names(sampler.Trace()), (std::vector<std::string>{"D3", "X1 axis Y", "Q0 ch 1", "U2",
                                                                "HA", "QF ch 0", "QF ch 1"}));
    EXPECT_EQ(sampler.TakeNewSeriesCount(), 4u);
    EXPECT_EQ(sampler.TakeNewSeriesCount(), 0u);

    const MotionTrace& t = sampler.Trace();
    EXPECT_EQ(t.TimeMs(0), 0u);
    EXPECT_EQ(t.TimeMs(1), 150u);
    int32_t v = 0;
    EXPECT_TRUE(t.Value(1, 0, v));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(t.Value(2, 1, v));
    EXPECT_EQ(v, 12);
    EXPECT_FALSE(t.Value(3, 0, v));  // U2 appeared at the second sample
    EXPECT_TRUE(t.Value(3, 1, v));
    EXPECT_EQ(v, 900);
    EXPECT_TRUE(t.Value(6, 1, v));
    EXPECT_EQ(v, 4);
}

TEST(MotionSamplerTest, SamplesWhileActiveOnceMoreAfterHeldAcrossIdleNotWhilePaused) {
    SystemState state;
    MotionSampler sampler(state.Boards);
    state.Boards.MotorD[0].Position = 10;
    EXPECT_FALSE(sampler.Tick(100, false));  // idle
    EXPECT_TRUE(sampler.Tick(200, true));
    state.Boards.MotorD[0].Position = 20;
    EXPECT_TRUE(sampler.Tick(300, true));
    state.Boards.MotorD[0].Position = 30;
    EXPECT_TRUE(sampler.Tick(400, false));  // the run's end state
    EXPECT_FALSE(sampler.Tick(500, false));
    ASSERT_EQ(sampler.Trace().SampleCount(), 3u);
    int32_t v = 0;
    EXPECT_TRUE(sampler.Trace().Value(0, 2, v));
    EXPECT_EQ(v, 30);
    EXPECT_EQ(sampler.Trace().TimeMs(2), 200u);

    // The next run resets the position: the line holds the old value until just before.
    state.Boards.MotorD[0].Position = 0;
    EXPECT_TRUE(sampler.Tick(1000, true));
    ASSERT_EQ(sampler.Trace().SampleCount(), 5u);
    EXPECT_EQ(sampler.Trace().TimeMs(3), 799u);
    EXPECT_TRUE(sampler.Trace().Value(0, 3, v));
    EXPECT_EQ(v, 30);
    EXPECT_EQ(sampler.Trace().TimeMs(4), 800u);
    EXPECT_TRUE(sampler.Trace().Value(0, 4, v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(sampler.Tick(1100, true));  // going on: no more held values
    EXPECT_EQ(sampler.Trace().SampleCount(), 6u);

    sampler.SetPaused(true);
    state.Boards.MotorD[1].Position = 1;
    EXPECT_FALSE(sampler.Tick(1200, true));
    EXPECT_EQ(sampler.Trace().SeriesCount(), 1u);  // no discovery while paused
    sampler.SetPaused(false);

    sampler.Clear();
    EXPECT_EQ(sampler.Trace().SampleCount(), 0u);
    EXPECT_TRUE(sampler.Tick(0xFFFFFFF0u, true));  // time restarts, across the tick's wrap
    EXPECT_TRUE(sampler.Tick(0x10u, true));
    EXPECT_EQ(Names(sampler.Trace()), (std::vector<std::string>{"D0", "D1"}));
    EXPECT_EQ(sampler.Trace().TimeMs(0), 0u);
    EXPECT_EQ(sampler.Trace().TimeMs(1), 0x20u);
    EXPECT_EQ(sampler.Trace().PointCount(0), 2u);
}

// The line drawn from the decimated points must, over the samples of each pixel column, reach
// exactly their lowest and highest value, and pass only through real samples in time order,
// whatever the lengths, block boundaries and flat stretches.
TEST(MotionTraceTest, DecimatedLineKeepsEveryColumnsExtremes) {
    std::mt19937 random(7);
    for (size_t n : {10u, 400u, 401u, 30001u, 100000u}) {
        for (size_t count : {1u, 97u, 500u}) {
            MotionTrace t;
            t.AddSeries("D0");
            std::vector<int32_t> data(n);
            int32_t walk = 0;
            for (size_t i = 0; i < n; ++i) {
                walk += (static_cast<int32_t>(random() % 5) - 2) / 2 * 100;  // flat half the time
                data[i] = i == n / 3 ? 1'000'000 : walk;                     // one spike
                int32_t v = data[i];
                t.AppendSample(static_cast<uint32_t>(i * 100), std::span<const int32_t>(&v, 1));
            }
            // The whole record in `count` columns.
            const PlotColumns columns{0, n * 0.1 / count, count};
            auto columnOf = [&](size_t i) {
                return std::floor(i * 100 / 1000.0 / columns.seconds);
            };
            PlotDecimation decimation;
            t.Decimate(0, columns, decimation);
            const std::vector<PlotPoint>& pts = decimation.Points();
            SCOPED_TRACE(testing::Message() << "n=" << n << " columns=" << count);
            ASSERT_LE(pts.size(), std::min(n, 4 * count));
            auto sampleOf = [](const PlotPoint& p) { return static_cast<size_t>(p.x * 10 + 0.5); };
            std::vector<bool> drawn(n);
            for (size_t k = 0; k < pts.size(); ++k) {
                ASSERT_LT(sampleOf(pts[k]), n);
                ASSERT_EQ(pts[k].y, data[sampleOf(pts[k])]);
                if (k) {
                    ASSERT_GT(pts[k].x, pts[k - 1].x);
                }
                drawn[sampleOf(pts[k])] = true;
            }
            ASSERT_TRUE(drawn.front() && drawn.back());
            auto lineAt = [&](double x) {
                auto after = std::lower_bound(pts.begin(), pts.end(), x,
                                              [](const PlotPoint& p, double v) { return p.x < v; });
                if (after->x == x) return after->y;
                auto before = after - 1;
                return before->y +
                       (after->y - before->y) * (x - before->x) / (after->x - before->x);
            };
            for (size_t begin = 0, end; begin < n; begin = end) {
                for (end = begin + 1; end < n && columnOf(end) == columnOf(begin);) ++end;
                ASSERT_LT(columnOf(begin), count);
                if (end - begin <= 4) {  // whole, but for the insides of flat stretches
                    for (size_t i = std::max<size_t>(begin, 1); i < end && i + 1 < n; ++i) {
                        if (!drawn[i]) {
                            ASSERT_TRUE(data[i - 1] == data[i] && data[i] == data[i + 1]) << i;
                        }
                    }
                }
                const double x0 = begin / 10.0, x1 = (end - 1) / 10.0;
                double lo = std::min(lineAt(x0), lineAt(x1)), hi = std::max(lineAt(x0), lineAt(x1));
                for (const PlotPoint& p : pts) {
                    if (p.x >= x0 && p.x <= x1) {
                        lo = std::min(lo, p.y);
                        hi = std::max(hi, p.y);
                    }
                }
                ASSERT_EQ(lo, *std::min_element(&data[begin], &data[0] + end))
                    << "column at " << begin;
                ASSERT_EQ(hi, *std::max_element(&data[begin], &data[0] + end))
                    << "column at " << begin;
            }
        }
    }
}

TEST(MotionTraceTest, CsvHasEverySampleWithEmptyCellsBeforeASeriesAppears) {
    MotionTrace t;
    t.AddSeries("D3");
    const int32_t a[] = {1000};
    t.AppendSample(0, a);
    t.AddSeries("Q0 ch 1");
    const int32_t b[] = {1000, -12};
    t.AppendSample(100, b);
    const int32_t c[] = {-2147483647 - 1, 7};
    t.AppendSample(123456, c);

    const std::string path = ::testing::TempDir() + "plot_" + std::to_string(getpid()) + ".csv";
    std::string error;
    ASSERT_TRUE(t.WriteCsvFile(path, error)) << error;
    EXPECT_EQ(ReadFile(path),
              "time_s,D3,Q0 ch 1\r\n"
              "0.000,1000,\r\n"
              "0.100,1000,-12\r\n"
              "123.456,-2147483648,7\r\n");
    std::remove(path.c_str());

    EXPECT_FALSE(t.WriteCsvFile("/nonexistent-folder/x.csv", error));
    EXPECT_NE(error.find("/nonexistent-folder/x.csv"), std::string::npos);

    t.ClearPoints();
    std::string rows;
    t.AppendCsvRows(rows, 0, 10);
    EXPECT_EQ(t.CsvHeader() + rows, "time_s,D3,Q0 ch 1\r\n");
}

}  // namespace
}  // namespace vendra
