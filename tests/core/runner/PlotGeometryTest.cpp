// The motion plot's geometry: axis ends and labels, how the axes follow a record, where points
// land in the plot area, and the record cut into pixel columns of time.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <random>

#include "core/runner/PlotGeometry.h"

namespace vendra {

void PrintTo(const PlotPixel& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

namespace {

TEST(PlotGeometryTest, TicksAtRoundValuesCountedFromZero) {
    struct Case {
        PlotRange range;
        double step;
        std::vector<double> values;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {{0, 10}, 2, {0, 2, 4, 6, 8, 10}, {"0", "2", "4", "6", "8", "10"}},
        {{0, 1000}, 200, {0, 200, 400, 600, 800, 1000}, {"0", "200", "400", "600", "800", "1000"}},
        {{0, 12000}, 5000, {0, 5000, 10000}, {"0", "5000", "10000"}},
        {{-2640, 4640}, 2000, {-2000, 0, 2000, 4000}, {"-2000", "0", "2000", "4000"}},
        {{-950, -50}, 200, {-800, -600, -400, -200}, {"-800", "-600", "-400", "-200"}},
        {{0, 1}, 0.2, {0, 0.2, 0.4, 0.6, 0.8, 1}, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {{-0.3, 0.12}, 0.1, {-0.3, -0.2, -0.1, 0, 0.1}, {"-0.3", "-0.2", "-0.1", "0.0", "0.1"}},
        {{0.05, 0.12}, 0.02, {0.06, 0.08, 0.1, 0.12}, {"0.06", "0.08", "0.10", "0.12"}},
        {{5, 5}, 0, {}, {}},  // no span: no labels
        {{5, 4}, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.range.lo << ".." << c.range.hi);
        const PlotTicks ticks = RoundTicks(c.range);
        EXPECT_EQ(ticks.step, c.step);
        EXPECT_EQ(ticks.values, c.values);
        std::vector<std::string> labels;
        for (double v : ticks.values) labels.push_back(TickLabel(v, ticks.decimals));
        EXPECT_EQ(labels, c.labels);
    }
    EXPECT_EQ(TickLabel(-0.0, 1), "0.0");
    EXPECT_EQ(TickLabel(-0.004, 2), "0.00");
    EXPECT_EQ(TickLabel(-0.006, 2), "-0.01");
}

TEST(PlotGeometryTest, AxisEndsReadWell) {
    const std::pair<double, double> cases[] = {{1, 1},       {1.1, 1.2},     {0.3, 0.3},
                                               {44, 50},     {8.5, 10},      {1000, 1000},
                                               {1001, 1200}, {11000, 12000}, {61, 80}};
    for (auto [v, nice] : cases) EXPECT_EQ(NiceAbove(v), nice) << v;
}

// The axes stand still while the record stays inside them and covers enough of them.
TEST(PlotGeometryTest, AxesMoveInSteps) {
    PlotAxes axes;
    EXPECT_EQ(axes.Time(), (PlotRange{0, 10}));
    EXPECT_EQ(axes.Value(), (PlotRange{0, 1000}));
    struct Step {
        std::function<bool()> follow;
        bool changed;
        PlotRange time, value;
    };
    const Step steps[] = {
        {[&] { return axes.FollowTime(3); }, false, {0, 10}, {0, 1000}},
        {[&] { return axes.FollowTime(2); }, true, {0, 2.5}, {0, 1000}},  // under a quarter
        {[&] { return axes.FollowTime(2.5); }, false, {0, 2.5}, {0, 1000}},
        {[&] { return axes.FollowTime(39.9); }, true, {0, 50}, {0, 1000}},
        {[&] { return axes.FollowTime(50); }, false, {0, 50}, {0, 1000}},
        {[&] { return axes.FollowTime(0.05); }, true, {0, 1}, {0, 1000}},  // a second at least
        {[&] { return axes.FollowValues(100, 900); }, false, {0, 1}, {0, 1000}},
        {[&] { return axes.FollowValues(-5, 995); }, true, {0, 1}, {-105, 1095}},
        {[&] { return axes.FollowValues(400, 420); }, true, {0, 1}, {398, 422}},
        {[&] { return axes.FollowValues(404, 418); }, false, {0, 1}, {398, 422}},
        {[&] { return axes.FollowValues(7, 7); }, true, {0, 1}, {6.9, 7.1}},  // one count at least
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].follow(), steps[i].changed);
        EXPECT_EQ(axes.Time(), steps[i].time);
        EXPECT_DOUBLE_EQ(axes.Value().lo, steps[i].value.lo);
        EXPECT_DOUBLE_EQ(axes.Value().hi, steps[i].value.hi);
    }
}

TEST(PlotGeometryTest, PointsLandInTheirColumnAndNearestRow) {
    const PlotMapping m{{0, 10}, {-100, 100}, 60, 20, 500, 200};
    EXPECT_EQ(m.X(2.5), 185);
    EXPECT_EQ(m.Y(50), 70);
    EXPECT_EQ(m.Y(-100), 220);  // the bottom edge
    EXPECT_EQ(m.Y(100), 20);    // the top edge
    const PlotColumns columns = m.Columns();
    EXPECT_EQ(columns.x0, 0);
    EXPECT_EQ(columns.seconds, 0.02);
    EXPECT_EQ(columns.count, 500u);

    std::vector<PlotPixel> pixels;
    m.ToPixels({{0, -100},
                {0.019, -100.4},  // the same pixel: left out
                {2.5, 50},
                {2.519, 49.6},  // column 125 still, row 70.4
                {2.52, 49.4},   // the next column, row 70.6
                {5, 10},        // column 250: first, highest, lowest, last
                {5.005, 60},
                {5.01, -20},  // the extreme nearer the first: drawn first
                {5.015, 30},
                {5.03, 0},
                {-30, 0},  // far outside: the painter clips it
                {10, 1e300}},
               pixels);
    EXPECT_EQ(pixels, (std::vector<PlotPixel>{{60, 220},
                                              {185, 70},
                                              {186, 71},
                                              {310, 110},
                                              {310, 140},
                                              {310, 60},
                                              {310, 90},
                                              {311, 120},
                                              {-1440, 120},
                                              {560, -1000000}}));

    const PlotMapping none{{0, 10}, {0, 1}, 0, 0, 0, 100};  // no width
    EXPECT_EQ(none.Columns().count, 0u);
}

// Columns of half a second over [0.5, 1.5): five samples each (one sample every 100 ms).
TEST(PlotGeometryTest, RecordDecimatedPerColumnOfTime) {
    MotionTrace t;
    t.AddSeries("A");
    const int32_t a[] = {0, 0, 0, 0, 7, 3, 9, -2, 5, 4, 4, 4, 4, 4, 4, 4, 4};
    const int32_t b[] = {1, 2, 5, 6, 6, 2, 8, 3, 3};  // from sample 8 on
    for (size_t i = 0; i < std::size(a); ++i) {
        if (i == 8) t.AddSeries("B");
        const int32_t values[] = {a[i], i >= 8 ? b[i - 8] : 0};
        t.AppendSample(static_cast<uint32_t>(i * 100), std::span(values, i >= 8 ? 2 : 1));
    }
    const PlotColumns columns{0.5, 0.5, 2};
    auto drawn = [&](size_t series, const PlotColumns& c) {
        PlotDecimation d;
        t.Decimate(series, c, d);
        std::vector<std::pair<double, double>> xy;
        for (const PlotPoint& p : d.Points()) xy.push_back({p.x, p.y});
        return xy;
    };
    using Points = std::vector<std::pair<double, double>>;
    // The sample before, each column's first, extremes and last, the sample after; a flat
    // stretch (0.9 s to 1.5 s) only by its ends.
    EXPECT_EQ(drawn(0, columns),
              (Points{{0.4, 7}, {0.5, 3}, {0.6, 9}, {0.7, -2}, {0.9, 4}, {1.5, 4}}));
    // Appearing inside the first column: no sample before; two samples there, given whole.
    EXPECT_EQ(drawn(1, columns),
              (Points{{0.8, 1}, {0.9, 2}, {1.0, 5}, {1.3, 2}, {1.4, 8}, {1.5, 3}}));
    EXPECT_EQ(drawn(0, (PlotColumns{2.0, 0.5, 4})), (Points{{1.6, 4}}));  // all before
    EXPECT_EQ(drawn(1, (PlotColumns{-5, 0.5, 4})), (Points{{0.8, 1}}));   // all after
    EXPECT_TRUE(drawn(2, columns).empty());
    EXPECT_TRUE(drawn(0, (PlotColumns{0.5, 0.5, 0})).empty());
    EXPECT_TRUE(drawn(0, (PlotColumns{0.5, 0, 2})).empty());
}

// Brought up to date as the record grows, a decimation is the same as one made anew, whatever
// falls where: flat stretches across columns, samples before and after the columns, a clear, a
// change of columns.
TEST(PlotGeometryTest, DecimationKeptUpToDateIsTheSameAsMadeAnew) {
    std::mt19937 random(11);
    MotionTrace t;
    t.AddSeries("A");
    PlotDecimation kept;
    uint32_t ms = 0;
    int32_t value = 0;
    struct Step {
        size_t samples;
        PlotColumns columns;
        bool clear;
    };
    const PlotColumns wide{0, 0.5, 400}, late{3, 0.25, 40}, fine{0, 0.01, 1000};
    const Step steps[] = {{1, wide, false},  {3, wide, false},   {7, wide, false},
                          {40, wide, false}, {300, wide, false}, {25, late, false},
                          {1, late, false},  {90, late, false},  {500, fine, false},
                          {600, fine, true}, {3, fine, false},   {2000, wide, false}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (steps[i].clear) {
            t.ClearPoints();
            ms = 0;  // as the sampler starts time again
        }
        for (size_t k = 0; k < steps[i].samples; ++k) {
            if (random() % 3 == 0) value += static_cast<int32_t>(random() % 201) - 100;
            t.AppendSample(ms, std::span(&value, 1));
            ms += 40 + random() % 3 * 30;  // 40 to 100 ms apart
        }
        PlotDecimation anew;
        t.Decimate(0, steps[i].columns, kept);
        t.Decimate(0, steps[i].columns, anew);
        SCOPED_TRACE(i);
        ASSERT_EQ(kept.Points().size(), anew.Points().size());
        for (size_t k = 0; k < anew.Points().size(); ++k) {
            EXPECT_EQ(kept.Points()[k].x, anew.Points()[k].x) << k;
            EXPECT_EQ(kept.Points()[k].y, anew.Points()[k].y) << k;
        }
    }
}

}  // namespace
}  // namespace vendra
