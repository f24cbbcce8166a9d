// One drawn series as two lines: a settled head, handed to the chart only when it changed, and a
// short tail with the newest points, handed over when it would look different. A chart lays out
// and repaints a line in proportion to its points, so a redraw of a long record then costs about
// as much as its tail, and a record whose newest samples land on the pixels already drawn (a
// motor standing still, a record so long that a pixel holds many samples) costs no repaint.
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

// Where points land on the screen: pixel = (value - origin) / units per pixel, rounded.
struct PlotScale {
    double x0 = 0, xPerPixel = 1, y0 = 0, yPerPixel = 1;
};

class PlotSplit {
  public:
    // Points the tail holds after the head has been given anew; it is given anew again once it
    // holds twice as many.
    static constexpr size_t kTailPoints = 16;

    struct Changes {
        bool head = false;  // give points [0, HeadSize())
        bool tail = false;  // give points [TailStart(), end)
    };
    // Takes this redraw's points, drawn at `scale`.
    Changes Update(const std::vector<PlotPoint>& points, const PlotScale& scale);
    size_t HeadSize() const { return head_.size(); }
    // The tail starts at the head's last point, so the line is whole.
    size_t TailStart() const { return head_.empty() ? 0 : head_.size() - 1; }

  private:
    std::vector<PlotPoint> head_;
    std::vector<PlotPoint> tail_;  // what the tail was last given
};

}  // namespace vendra
