#include "core/runner/PlotSplit.h"

#include <algorithm>
#include <cmath>

namespace vendra {

PlotSplit::Changes PlotSplit::Update(const std::vector<PlotPoint>& points, const PlotScale& scale) {
    Changes changes;
    auto same = [](const PlotPoint& a, const PlotPoint& b) { return a.x == b.x && a.y == b.y; };
    const bool headHolds = head_.size() <= points.size() &&
                           std::equal(head_.begin(), head_.end(), points.begin(), same);
    if (!headHolds || points.size() - head_.size() > 2 * kTailPoints) {
        const size_t size = points.size() > kTailPoints ? points.size() - kTailPoints : 0;
        changes.head = !headHolds || size != head_.size();
        head_.assign(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(size));
    }
    const auto first = points.begin() + static_cast<std::ptrdiff_t>(TailStart());
    auto pixel = [](double v, double origin, double perPixel) {
        return perPixel > 0 ? std::lround((v - origin) / perPixel) : 0L;
    };
    auto samePixel = [&](const PlotPoint& a, const PlotPoint& b) {
        return pixel(a.x, scale.x0, scale.xPerPixel) == pixel(b.x, scale.x0, scale.xPerPixel) &&
               pixel(a.y, scale.y0, scale.yPerPixel) == pixel(b.y, scale.y0, scale.yPerPixel);
    };
    changes.tail =
        changes.head || !std::equal(tail_.begin(), tail_.end(), first, points.end(), samePixel);
    if (changes.tail) tail_.assign(first, points.end());
    return changes;
}

}  // namespace vendra
