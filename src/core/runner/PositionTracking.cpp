#include "core/runner/PositionTracking.h"

#include "core/base/Clock.h"

namespace vendra {
namespace {

enum class RForm { D, U };

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the run of digits at frame[i], advancing i; wraps like the 32-bit fields it feeds.
uint32_t ReadNumber(std::string_view frame, size_t& i) {
    uint32_t n = 0;
    while (i < frame.size() && IsDigit(frame[i]))
        n = n * 10u + static_cast<uint32_t>(frame[i++] - '0');
    return n;
}

void StartMoveTimer(Statistics& stats) {
    if (stats.MoveStartTime.load() != 0) return;
    uint32_t now = TickMs();
    stats.MoveStartTime.store(now == 0 ? 1 : now);  // 0 means "not running"
}

void Add(MotorRecord& r, uint32_t n, bool plus) {
    uint32_t pos = static_cast<uint32_t>(r.Position.load());
    r.Position.store(static_cast<int32_t>(plus ? pos + n : pos - n));
}

// Applies one position rule starting at frame[i] (a non-skip character). Advances i past what it
// consumed. `record` may be null (an axis frame before any axis letter): the timer still counts.
void ApplyRule(MotorRecord* record, std::string_view frame, size_t& i, RForm form,
               Statistics& stats) {
    char c = frame[i++];
    switch (c) {
        case 'A':
        case 'M': {
            StartMoveTimer(stats);
            if (i < frame.size() && IsDigit(frame[i])) {
                uint32_t n = ReadNumber(frame, i);
                if (record) record->Position.store(static_cast<int32_t>(n));
            }
            break;
        }
        case 'R': {
            StartMoveTimer(stats);
            if (form == RForm::U) {
                if (i < frame.size()) ++i;  // exactly one character, whatever it is
            } else if (i < frame.size() && (frame[i] == 'N' || frame[i] == 'Y')) {
                ++i;
            }
            if (i >= frame.size()) break;
            bool plus = frame[i++] == '+';
            uint32_t n = ReadNumber(frame, i);
            if (record) Add(*record, n, plus);
            break;
        }
        case 'N':
            if (i + 1 < frame.size() && frame[i + 1] == '1') StartMoveTimer(stats);
            if (record) record->Position.store(0);
            if (i < frame.size()) ++i;  // the next character is passed over
            break;
        case 'H':
            if (record) record->StepMode.store(1);
            break;
        case 'F':
            if (record) record->StepMode.store(0);
            break;
        default:
            break;
    }
}

// "<letter><digit>v...": an information query. Its item letters (vF, vA, v1A) are no commands,
// so it moves nothing, sets no step mode and starts no move timer.
bool IsInformationQuery(std::string_view frame) {
    return frame.size() > 2 && frame[2] == 'v';
}

void TrackFrom(MotorRecord& record, std::string_view frame, RForm form, Statistics& stats) {
    if (IsInformationQuery(frame)) return;
    bool skipping = false;
    size_t i = 2;
    while (i < frame.size()) {
        char c = frame[i];
        if (c == 'o' || c == ',') {
            skipping = c == 'o';
            ++i;
        } else if (skipping) {
            ++i;
        } else {
            ApplyRule(&record, frame, i, form, stats);
        }
    }
}

}  // namespace

void TrackPositionD(MotorRecord& record, std::string_view frame, Statistics& stats) {
    TrackFrom(record, frame, RForm::D, stats);
}

void TrackPositionU(MotorRecord& record, std::string_view frame, Statistics& stats) {
    TrackFrom(record, frame, RForm::U, stats);
}

void TrackPositionAxis(MotorRecord (&axes)[4], std::string_view frame, Statistics& stats) {
    if (IsInformationQuery(frame)) return;
    MotorRecord* selected = nullptr;
    bool skipping = false;
    size_t i = 0;
    while (i < frame.size()) {
        char c = frame[i];
        int axis = c == 'W' ? AxisW : c == 'X' ? AxisX : c == 'Y' ? AxisY : c == 'Z' ? AxisZ : -1;
        if (axis >= 0) {
            selected = &axes[axis];
            skipping = false;
            i += 2;  // the axis letter and the unit digit after it
        } else if (c == 'o' || c == ',') {
            skipping = c == 'o';
            ++i;
        } else if (skipping) {
            ++i;
        } else {
            ApplyRule(selected, frame, i, RForm::D, stats);
        }
    }
}

}  // namespace vendra
