#include "core/runner/MotionSampler.h"

#include <cstdio>

#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {

std::string UnitName(char letter, int unit) {
    char text[8];
    std::snprintf(text, sizeof text, "%c%X", letter, unit);
    return text;
}

}  // namespace

MotionSampler::MotionSampler(const BoardState& boards) {
    auto motor = [this](const MotorRecord& m, std::string name) {
        sources_.push_back({&m.Position, nullptr, m.Position.load(), -1, std::move(name)});
    };
    for (uint8_t code : {family::DBoard, family::UBoard, family::HBoard})
        for (int unit = 0; unit < 16; ++unit)
            motor(*MotorRecordFor(boards, unit, code),
                  UnitName(protocol::FindFamily(code)->letter, unit));
    // An AxisBoard unit goes by its X letter, as the network lists it; its axes by their letters.
    for (int unit = 0; unit < 16; ++unit)
        for (uint8_t code = family::AxisW; code <= family::AxisZ; ++code)
            motor(*MotorRecordFor(boards, unit, code),
                  UnitName('X', unit) + " axis " + protocol::FindFamily(code)->letter);
    for (int unit = 0; unit < 16; ++unit)
        for (int ch = 0; ch < 2; ++ch) {
            const QeChannel& c = boards.Qe[unit][ch];
            sources_.push_back({&c.Count, &c.Readings, c.Readings.load(), -1,
                                UnitName('Q', unit) + " ch " + std::to_string(ch)});
        }
}

void MotionSampler::Discover() {
    for (size_t i = 0; i < sources_.size(); ++i) {
        Source& s = sources_[i];
        if (s.series >= 0) continue;
        int64_t now = s.reads ? int64_t(s.reads->load()) : int64_t(s.value->load());
        if (now == s.baseline) continue;
        s.series = static_cast<int>(trace_.AddSeries(s.name));
        sourceOfSeries_.push_back(i);
    }
}

bool MotionSampler::Sample(uint32_t nowMs) {
    if (paused_) return false;
    Discover();
    if (trace_.SeriesCount() == 0) return false;
    if (trace_.SampleCount() == 0) originMs_ = nowMs;
    values_.resize(sourceOfSeries_.size());
    for (size_t k = 0; k < sourceOfSeries_.size(); ++k)
        values_[k] = sources_[sourceOfSeries_[k]].value->load();
    trace_.AppendSample(nowMs - originMs_, values_);
    return true;
}

bool MotionSampler::Tick(uint32_t nowMs, bool active) {
    const bool starting = active && !wasActive_;
    const bool sample = active || wasActive_;
    wasActive_ = active;
    if (!sample || paused_) return false;
    const size_t samples = trace_.SampleCount();
    if (starting && samples > 0) {
        // Nothing moved while idle: the values held until just before this activity, so the
        // line steps where the new activity changed them (a run resets the positions) instead of
        // sloping across the idle time.
        const uint32_t last = trace_.TimeMs(samples - 1);
        const uint32_t now = nowMs - originMs_;
        values_.assign(trace_.SeriesCount(), 0);
        for (size_t k = 0; k < values_.size(); ++k) trace_.Value(k, samples - 1, values_[k]);
        if (now - 1 > last && now - 1 < now) trace_.AppendSample(now - 1, values_);
    }
    return Sample(nowMs);
}

void MotionSampler::Clear() {
    trace_.ClearPoints();
}

size_t MotionSampler::TakeNewSeriesCount() {
    size_t fresh = trace_.SeriesCount() - seriesAnnounced_;
    seriesAnnounced_ = trace_.SeriesCount();
    return fresh;
}

}  // namespace vendra
