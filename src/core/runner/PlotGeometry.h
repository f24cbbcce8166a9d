// The motion plot's geometry, apart from any drawing: the ranges its axes show and how they follow
// the record, the values their labels stand at, where a point lands in the plot area, and the
// pixel columns the record is decimated for.
//
// Error rule: no messages; an empty or reversed range, or an area of no pixels, gives no ticks,
// no columns and no pixels, never a division by zero. Thread rule: plain values, one owner.
#pragma once
#include <string>
#include <vector>

#include "core/runner/MotionTrace.h"

namespace vendra {

struct PlotRange {
    double lo = 0;
    double hi = 0;
    bool operator==(const PlotRange&) const = default;
};

// The smallest of 1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6 or 8 times a power of ten that is at least v
// (v > 0): an axis end that reads well and leaves little of the width unused.
double NiceAbove(double v);

// Labels at round values: multiples of `step` (1, 2 or 5 times a power of ten, the smallest that
// gives at most about five steps over the range), counted from 0, those inside the range.
struct PlotTicks {
    double step = 0;
    int decimals = 0;  // enough to tell neighbouring labels apart
    std::vector<double> values;
};
PlotTicks RoundTicks(const PlotRange& range);
// A label's text: `decimals` places, and never "-0".
std::string TickLabel(double value, int decimals);

// The ranges the axes show. They move in steps, not on every sample, so that the labels stand
// still while a run goes on: time from 0 to a round end a tenth past the last sample, taken anew
// once the record runs past it or falls below a quarter of it; values with a tenth of their span
// spare each side, taken anew once a value falls outside or the values span less than a quarter.
// Until there is something to show: 0 to 10 s, 0 to 1000.
class PlotAxes {
  public:
    const PlotRange& Time() const { return time_; }
    const PlotRange& Value() const { return value_; }
    // `endS`: the time of the newest sample. Returns whether the range changed.
    bool FollowTime(double endS);
    // The lowest and highest value drawn. Returns whether the range changed.
    bool FollowValues(double lo, double hi);

  private:
    PlotRange time_{0, 10};
    PlotRange value_{0, 1000};
};

struct PlotPixel {
    int x = 0;
    int y = 0;
    bool operator==(const PlotPixel&) const = default;
};

// Where a value lands in the plot area: `width` x `height` pixels from (`left`, `top`), time
// growing to the right from the left edge, values growing upwards from the bottom edge.
struct PlotMapping {
    PlotRange time;
    PlotRange value;
    int left = 0, top = 0, width = 0, height = 0;

    double X(double t) const;
    double Y(double v) const;
    // One column per pixel of the width, over the time range.
    PlotColumns Columns() const;
    // `points` as pixels (rounded), leaving out a pixel that repeats the one before it; a column's
    // extremes are walked nearer one first.
    void ToPixels(const std::vector<PlotPoint>& points, std::vector<PlotPixel>& out) const;
};

}  // namespace vendra
