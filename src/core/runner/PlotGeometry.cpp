#include "core/runner/PlotGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace vendra {

namespace {

// m times ten to the e, kept apart so that a step of 0.2 gives labels at 0.6, not 0.6000000001.
struct Decimal {
    double m;
    int e;
    double Times(double k) const {
        return e >= 0 ? k * m * std::pow(10.0, e) : k * m / std::pow(10.0, -e);
    }
};

// The smallest of `steps` (ascending, the first 1) times a power of ten that is at least v > 0.
Decimal RoundAbove(double v, std::initializer_list<double> steps) {
    const int e = static_cast<int>(std::floor(std::log10(v)));
    for (double m : steps)
        if (Decimal{m, e}.Times(1) >= v) return {m, e};
    return {1, e + 1};
}

// Far enough outside any screen that the painter clips it, near enough to stay an int.
constexpr double kFarPixel = 1e6;

int ToPixel(double v) {
    return std::isnan(v) ? 0 : static_cast<int>(std::clamp(v, -kFarPixel, kFarPixel));
}

// Columns from the left edge to time t: divided by a column's time, as the decimation divides,
// so that a point lands in the column it was decimated into.
double ColumnsTo(const PlotMapping& m, double t) {
    const double span = m.time.hi - m.time.lo;
    return span > 0 && m.width > 0 ? (t - m.time.lo) / (span / m.width) : 0;
}

}  // namespace

double NiceAbove(double v) {
    return RoundAbove(v, {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0}).Times(1);
}

PlotTicks RoundTicks(const PlotRange& range) {
    PlotTicks ticks;
    const double span = range.hi - range.lo;
    if (!(span > 0) || !std::isfinite(span)) return ticks;
    const Decimal step = RoundAbove(span / 5, {1.0, 2.0, 5.0});
    ticks.step = step.Times(1);
    ticks.decimals = std::max(0, -step.e);
    // A tick that lands on an end only through rounding still counts.
    const double slack = ticks.step * 1e-9;
    for (double k = std::ceil((range.lo - slack) / ticks.step);; ++k) {
        const double value = step.Times(k);
        if (value > range.hi + slack) break;
        ticks.values.push_back(value);
    }
    return ticks;
}

std::string TickLabel(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string label = text;
    if (label[0] == '-' && label.find_first_not_of("-0.") == std::string::npos) label.erase(0, 1);
    return label;
}

bool PlotAxes::FollowTime(double endS) {
    if (endS <= time_.hi && endS >= time_.hi / 4) return false;
    const PlotRange next{0, NiceAbove(std::max(endS * 1.1, 1.0))};
    const bool changed = next != time_;
    time_ = next;
    return changed;
}

bool PlotAxes::FollowValues(double lo, double hi) {
    const double span = std::max(1.0, hi - lo);
    if (lo >= value_.lo && hi <= value_.hi && value_.hi - value_.lo <= 4 * span) return false;
    const PlotRange next{lo - span * 0.1, hi + span * 0.1};
    const bool changed = next != value_;
    value_ = next;
    return changed;
}

double PlotMapping::X(double t) const {
    return left + ColumnsTo(*this, t);
}

double PlotMapping::Y(double v) const {
    const double span = value.hi - value.lo;
    return span > 0 ? top + height - (v - value.lo) * height / span : top + height;
}

PlotColumns PlotMapping::Columns() const {
    const double span = time.hi - time.lo;
    if (width <= 0 || !(span > 0)) return {time.lo, 1, 0};
    return {time.lo, span / width, static_cast<size_t>(width)};
}

void PlotMapping::ToPixels(const std::vector<PlotPoint>& points,
                           std::vector<PlotPixel>& out) const {
    out.clear();
    out.reserve(points.size());
    for (const PlotPoint& p : points) {
        // x: the column the point was decimated into; y: the nearest row.
        const PlotPixel pixel{left + ToPixel(std::floor(ColumnsTo(*this, p.x))),
                              ToPixel(std::round(Y(p.y)))};
        if (out.empty() || !(out.back() == pixel)) out.push_back(pixel);
    }
    // A column of four points (first, the extremes, last) is one vertical stroke however it is
    // walked: visiting the extreme nearer the first point first lights the same pixels while
    // drawing fewer of them twice, which is most of a dense plot's painting.
    for (size_t i = 0; i + 4 <= out.size();) {
        size_t end = i + 1;
        while (end < out.size() && out[end].x == out[i].x) ++end;
        if (end - i == 4 && std::abs(out[i].y - out[i + 2].y) < std::abs(out[i].y - out[i + 1].y))
            std::swap(out[i + 1], out[i + 2]);
        i = end;
    }
}

}  // namespace vendra
