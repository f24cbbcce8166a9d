#include "core/runner/PlotSplit.h"

#include <algorithm>

namespace vendra {

bool PlotSplit::Update(const std::vector<PlotPoint>& points) {
    auto same = [](const PlotPoint& a, const PlotPoint& b) { return a.x == b.x && a.y == b.y; };
    const bool headHolds = head_.size() <= points.size() &&
                           std::equal(head_.begin(), head_.end(), points.begin(), same);
    if (headHolds && points.size() - head_.size() <= 2 * kTailPoints) return false;
    const size_t size = points.size() > kTailPoints ? points.size() - kTailPoints : 0;
    const bool changed = !headHolds || size != head_.size();
    head_.assign(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(size));
    return changed;
}

}  // namespace vendra
