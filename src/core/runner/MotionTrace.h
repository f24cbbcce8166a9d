// The recorded motion of the motion plot: one time axis shared by every series (milliseconds
// since the first sample) and, per series, its name and one value per sample from the sample at
// which it appeared on. Every point is kept for export; drawing takes a decimated copy whose
// size depends on the width drawn, not on the length of the record.
//
// Error rule: no messages; WriteCsvFile returns false with a text for the operator. A series or
// sample index out of range, or columns of no width, give an empty result, never an out-of-range
// read.
// Thread rule: not shared; one owner (the plot window's GUI thread, or a test).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vendra {

// One drawn point: x in seconds since the first sample, y the value.
struct PlotPoint {
    double x;
    double y;
};

// Pixel columns of time to decimate for: `count` columns of `seconds` each from `x0` (seconds).
struct PlotColumns {
    double x0 = 0;
    double seconds = 1;
    size_t count = 0;
    bool operator==(const PlotColumns&) const = default;
};

// A series decimated for drawing, kept from one redraw to the next: while the columns stay the
// same and the record only grows, the columns already decimated keep their points and
// decimating again starts at the last column that held samples, so a redraw during a run costs
// what the newest samples cost, not what the record does.
class PlotDecimation {
  public:
    const std::vector<PlotPoint>& Points() const { return points_; }

  private:
    friend class MotionTrace;
    std::vector<PlotPoint> points_;
    size_t series_ = 0;
    PlotColumns columns_;
    uint64_t generation_ = 0;  // of the trace's points
    bool resumable_ = false;
    size_t resumeAt_ = 0;    // value index where the last column with samples began
    size_t resumeSize_ = 0;  // points before that column
};

class MotionTrace {
  public:
    // A new series, empty until the next sample. Returns its index.
    size_t AddSeries(std::string name);
    // One sample: `values` holds one value per series, in series order.
    void AppendSample(uint32_t timeMs, std::span<const int32_t> values);
    // Drops every sample and point; the series stay (empty) and time starts again at the next
    // sample.
    void ClearPoints();

    size_t SeriesCount() const { return series_.size(); }
    size_t SampleCount() const { return timesMs_.size(); }
    const std::string& SeriesName(size_t series) const;
    size_t PointCount(size_t series) const;
    uint32_t TimeMs(size_t sample) const { return sample < timesMs_.size() ? timesMs_[sample] : 0; }
    // Value of `series` at `sample`; false when the series has no point there.
    bool Value(size_t series, size_t sample, int32_t& value) const;

    // The points of `series` to draw in `columns`: each column gives its samples' first, lowest,
    // highest and last point in time order, so spikes and steps survive however many samples a
    // pixel holds; a column of at most four samples gives them all. Of the samples before and
    // after the columns only the nearest one each side is given, so the line runs on to the edges.
    // Points inside a flat stretch are left out (the line is the same without them).
    // `out` as decimated before for the same series and columns is only brought up to date.
    void Decimate(size_t series, const PlotColumns& columns, PlotDecimation& out) const;

    // CSV of every sample: a header "time_s" and the series names, then one row per sample with
    // the time in seconds (three decimals) and each series' value, empty before its first
    // point. Rows end in CR LF.
    std::string CsvHeader() const;
    // Appends rows [first, first + count) that exist.
    void AppendCsvRows(std::string& out, size_t first, size_t count) const;
    // Writes the whole CSV; the file is replaced whole or not at all. False with `error` set when
    // it cannot be written.
    bool WriteCsvFile(const std::string& path, std::string& error) const;

  private:
    // Lowest and highest point of each full run of kBlock points, kept as points arrive, so that
    // decimating a long series reads its blocks instead of every point.
    static constexpr size_t kBlock = 64;
    struct Block {
        uint32_t minAt;
        uint32_t maxAt;
    };
    struct Series {
        std::string name;
        size_t first;  // sample index of values[0]
        std::vector<int32_t> values;
        std::vector<Block> blocks;
    };
    static void MinMaxIn(const Series& s, size_t begin, size_t end, size_t& minAt, size_t& maxAt);
    // The column `timeMs` falls in (negative before the first, count and beyond after the last).
    static double ColumnOf(uint32_t timeMs, const PlotColumns& columns);
    // The first value index in [begin, end) of `s` whose sample lies in column `column` or later.
    size_t FirstInColumn(const Series& s, size_t begin, size_t end, double column,
                         const PlotColumns& columns) const;

    std::vector<uint32_t> timesMs_;
    std::vector<Series> series_;
    uint64_t generation_ = 0;  // counts ClearPoints: a decimation from before is void
};

}  // namespace vendra
