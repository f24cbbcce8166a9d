#include "core/runner/MotionTrace.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/base/AtomicFile.h"

namespace vendra {

namespace {

void AppendNumber(std::string& out, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Seconds with three decimals, from whole milliseconds (no rounding on the way).
void AppendSeconds(std::string& out, uint32_t ms) {
    AppendNumber(out, ms / 1000);
    char frac[4] = {'.', char('0' + ms / 100 % 10), char('0' + ms / 10 % 10), char('0' + ms % 10)};
    out.append(frac, 4);
}

}  // namespace

size_t MotionTrace::AddSeries(std::string name) {
    series_.push_back({std::move(name), timesMs_.size(), {}, {}});
    return series_.size() - 1;
}

void MotionTrace::AppendSample(uint32_t timeMs, std::span<const int32_t> values) {
    timesMs_.push_back(timeMs);
    for (size_t i = 0; i < series_.size(); ++i) {
        Series& s = series_[i];
        s.values.push_back(i < values.size() ? values[i]
                                             : (s.values.empty() ? 0 : s.values.back()));
        if (s.values.size() % kBlock == 0) {
            size_t begin = s.values.size() - kBlock;
            auto [lo, hi] = std::minmax_element(s.values.begin() + static_cast<ptrdiff_t>(begin),
                                                s.values.end());
            s.blocks.push_back({static_cast<uint32_t>(lo - s.values.begin()),
                                static_cast<uint32_t>(hi - s.values.begin())});
        }
    }
}

void MotionTrace::ClearPoints() {
    ++generation_;
    std::vector<uint32_t>().swap(timesMs_);
    for (Series& s : series_) {
        std::vector<int32_t>().swap(s.values);
        std::vector<Block>().swap(s.blocks);
        s.first = 0;
    }
}

const std::string& MotionTrace::SeriesName(size_t series) const {
    static const std::string none;
    return series < series_.size() ? series_[series].name : none;
}

size_t MotionTrace::PointCount(size_t series) const {
    return series < series_.size() ? series_[series].values.size() : 0;
}

bool MotionTrace::Value(size_t series, size_t sample, int32_t& value) const {
    if (series >= series_.size()) return false;
    const Series& s = series_[series];
    if (sample < s.first || sample - s.first >= s.values.size()) return false;
    value = s.values[sample - s.first];
    return true;
}

void MotionTrace::MinMaxIn(const Series& s, size_t begin, size_t end, size_t& minAt,
                           size_t& maxAt) {
    minAt = maxAt = begin;
    auto consider = [&](size_t lo, size_t hi) {
        if (s.values[lo] < s.values[minAt]) minAt = lo;
        if (s.values[hi] > s.values[maxAt]) maxAt = hi;
    };
    auto scan = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) consider(i, i);
    };
    const size_t firstBlock = (begin + kBlock - 1) / kBlock;
    const size_t endBlock = std::min(end / kBlock, s.blocks.size());
    if (firstBlock >= endBlock) {
        scan(begin, end);
        return;
    }
    scan(begin, firstBlock * kBlock);
    for (size_t b = firstBlock; b < endBlock; ++b) consider(s.blocks[b].minAt, s.blocks[b].maxAt);
    scan(endBlock * kBlock, end);
}

double MotionTrace::ColumnOf(uint32_t timeMs, const PlotColumns& columns) {
    return std::floor((timeMs / 1000.0 - columns.x0) / columns.seconds);
}

size_t MotionTrace::FirstInColumn(const Series& s, size_t begin, size_t end, double column,
                                  const PlotColumns& columns) const {
    // Times never go back, so the columns of the samples only rise: a binary search.
    while (begin < end) {
        const size_t mid = begin + (end - begin) / 2;
        if (ColumnOf(timesMs_[s.first + mid], columns) < column)
            begin = mid + 1;
        else
            end = mid;
    }
    return begin;
}

void MotionTrace::Decimate(size_t series, const PlotColumns& columns, PlotDecimation& d) const {
    std::vector<PlotPoint>& out = d.points_;
    if (series >= series_.size() || columns.count == 0 || !(columns.seconds > 0) ||
        !std::isfinite(columns.seconds) || !std::isfinite(columns.x0)) {
        out.clear();
        d.resumable_ = false;
        return;
    }
    const Series& s = series_[series];
    const size_t n = s.values.size();
    // A point in the middle of a flat stretch changes nothing drawn: the stretch's last point
    // takes its place (positions are mostly flat between moves).
    auto point = [&](size_t i) {
        const PlotPoint p{timesMs_[s.first + i] / 1000.0, static_cast<double>(s.values[i])};
        const size_t m = out.size();
        if (m >= 2 && out[m - 1].y == p.y && out[m - 2].y == p.y)
            out[m - 1] = p;
        else
            out.push_back(p);
    };
    size_t begin;
    if (d.resumable_ && d.series_ == series && d.columns_ == columns &&
        d.generation_ == generation_ && d.resumeAt_ <= n) {
        // Samples are only ever appended: what came before the last column stands. (Its last
        // point may have been merged into a flat stretch from that column; the column's first
        // sample merges it again.)
        out.resize(d.resumeSize_);
        begin = d.resumeAt_;
    } else {
        out.clear();
        begin = FirstInColumn(s, 0, n, 0, columns);
        if (begin > 0) point(begin - 1);
    }
    d.series_ = series;
    d.columns_ = columns;
    d.generation_ = generation_;
    d.resumable_ = false;  // until a column holds samples
    const double count = static_cast<double>(columns.count);
    // Only the columns that hold samples are visited: a long idle gap costs nothing.
    while (begin < n) {
        const double column = ColumnOf(timesMs_[s.first + begin], columns);
        if (column >= count) break;
        d.resumable_ = true;
        d.resumeAt_ = begin;
        d.resumeSize_ = out.size();
        const size_t end = FirstInColumn(s, begin + 1, n, column + 1, columns);
        if (end - begin <= 4) {
            for (size_t i = begin; i < end; ++i) point(i);
        } else {
            size_t minAt, maxAt;
            MinMaxIn(s, begin, end, minAt, maxAt);
            const size_t picks[4] = {begin, std::min(minAt, maxAt), std::max(minAt, maxAt),
                                     end - 1};
            for (int k = 0; k < 4; ++k)
                if (k == 0 || picks[k] != picks[k - 1]) point(picks[k]);
        }
        begin = end;
    }
    if (begin < n) point(begin);
}

std::string MotionTrace::CsvHeader() const {
    std::string out = "time_s";
    for (const Series& s : series_) {
        out += ',';
        out += s.name;
    }
    out += "\r\n";
    return out;
}

void MotionTrace::AppendCsvRows(std::string& out, size_t first, size_t count) const {
    const size_t end = std::min(timesMs_.size(), first + std::min(count, timesMs_.size()));
    for (size_t row = first; row < end; ++row) {
        AppendSeconds(out, timesMs_[row]);
        for (const Series& s : series_) {
            out += ',';
            if (row >= s.first && row - s.first < s.values.size())
                AppendNumber(out, s.values[row - s.first]);
        }
        out += "\r\n";
    }
}

bool MotionTrace::WriteCsvFile(const std::string& path, std::string& error) const {
    std::string text = CsvHeader();
    AppendCsvRows(text, 0, timesMs_.size());
    std::string why;
    if (WriteFileAtomically(path, text, &why)) return true;
    error = "Can not write the file " + path + ": " + why;
    return false;
}

}  // namespace vendra
