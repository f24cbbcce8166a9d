// What the motion plot records: samples, against time, of the host-tracked position of every
// motor that moved (DBoard, UBoard and HBoard units, the axes of AxisBoard units) and of the
// count of every QBoard channel that reported a reading. It only reads the board state; it never
// sends on the line.
//
// A motor becomes a series when its position differs from the one seen when the sampler was
// made; a channel when a reading is filed for it after that. Series are named "D3", "U2", "H1",
// "X1 axis Y" (AxisBoard unit 1, axis Y), "Q0 ch 1". Samples are taken while the system is active
// (a run, or an activity on the line) and once more when it goes idle, so the end of a run is
// recorded and an idle system adds nothing. When activity starts again, the values recorded last
// are repeated just before the first new sample: they held while idle.
//
// Error rule: none. Thread rule: one owner (the plot window's GUI thread, or a test); it reads
// the board state's atomics, which the line's activity writes meanwhile.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/runner/MotionTrace.h"
#include "core/serial/BoardState.h"

namespace vendra {

class MotionSampler {
  public:
    explicit MotionSampler(const BoardState& boards);

    // Called on every plot tick: takes a sample at `nowMs` (the monotonic tick) when `active` is
    // true or was true at the previous call. Returns whether a sample was added.
    bool Tick(uint32_t nowMs, bool active);
    // Samples now, whatever the activity (unless paused). Returns whether a sample was added:
    // nothing is recorded before the first series appears.
    bool Sample(uint32_t nowMs);

    // While paused nothing is sampled and no new series appear.
    void SetPaused(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }
    // Drops every point; the series found so far stay and time starts again at the next sample.
    void Clear();

    const MotionTrace& Trace() const { return trace_; }
    // Series added since the previous call (the view adds their lines).
    size_t TakeNewSeriesCount();

  private:
    struct Source {
        const std::atomic<int32_t>* value;   // what is plotted
        const std::atomic<uint32_t>* reads;  // QBoard channel: readings filed; null for motors
        int64_t baseline;                    // position, or reading count, when made
        int series = -1;                     // index in the trace once found
        std::string name;
    };
    void Discover();

    std::vector<Source> sources_;
    std::vector<int32_t> values_;  // scratch for one sample, in series order
    std::vector<size_t> sourceOfSeries_;
    MotionTrace trace_;
    uint32_t originMs_ = 0;
    bool wasActive_ = false;
    bool paused_ = false;
    size_t seriesAnnounced_ = 0;
};

}  // namespace vendra
