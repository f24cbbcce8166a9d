// One drawn series as two lines: a settled head, handed to the chart only when it changed, and a
// short tail with the newest points, handed on every redraw. A chart lays out and strokes a line
// in proportion to its points, so a redraw of a long record then costs about as much as its tail.
//
// The head stays valid while the points drawn before its end stay the same (the decimated runs
// that are complete do not change as samples arrive); a change there (another width, a clear, a
// new run length) gives the head anew.
// Error rule: none. Thread rule: one owner (the plot window).
#pragma once
#include <cstddef>
#include <vector>

#include "core/runner/MotionTrace.h"

namespace vendra {

class PlotSplit {
  public:
    // Points the tail holds after the head has been given anew; it is given anew again once it
    // holds twice as many.
    static constexpr size_t kTailPoints = 16;

    // Takes this redraw's points. True when the head must be given anew: points [0, HeadSize()).
    // The tail is [TailStart(), end): it starts at the head's last point, so the line is whole.
    bool Update(const std::vector<PlotPoint>& points);
    size_t HeadSize() const { return head_.size(); }
    size_t TailStart() const { return head_.empty() ? 0 : head_.size() - 1; }

  private:
    std::vector<PlotPoint> head_;
};

}  // namespace vendra
