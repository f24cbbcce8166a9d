#include "core/runner/Motion.h"

#include <cstdio>
#include <cstdlib>

#include "core/base/Clock.h"
#include "core/runner/BoardStep.h"

namespace vendra {

const char* StatusQueryText(uint8_t code) {
    switch (code) {
        case family::DBoard:
        case family::UBoard:
        case family::HBoard:
        case family::QBoard:
            return "\r";
        case family::AxisW:
            return "W\r";
        case family::AxisX:
            return "X\r";
        case family::AxisY:
            return "Y\r";
        case family::AxisZ:
            return "Z\r";
        default:
            return nullptr;
    }
}

char CorrectionLetter(uint8_t code) {
    return code <= family::AxisZ ? protocol::FindFamily(code)->letter : 0;
}

void UpdateMoveStatistics(Statistics& s) {
    uint32_t start = s.MoveStartTime.load();
    if (start == 0) return;
    s.MovesCompleted.fetch_add(1);
    s.MotorBusyTime.fetch_add(TickMs() - start);
    s.MoveStartTime = 0;
    s.MoveBusyMark = 0;
}

MotionControl::MotionControl(RunnerState state, Operator& op, BoardStep& step,
                             std::function<void(uint32_t)> pause)
    : state_(state), op_(op), step_(step), pause_(std::move(pause)) {}

int MotionControl::Send(unsigned unit, uint8_t code, const char* text) {
    return step_.Command(unit, code, text);
}

bool MotionControl::Stopped() {
    if (state_.Run.StopRun.load() == 0) return false;
    state_.Run.ProgramRunning = 0;
    return true;
}

bool MotionControl::Busy(unsigned unit, uint8_t code) const {
    const std::atomic<char>* status = StatusSlotFor(state_.Boards, unit, code);
    return status != nullptr && protocol::IsBusyStatus(status->load());
}

MotionControl::Poll MotionControl::StatusPoll(unsigned unit, uint8_t code, bool verify,
                                              bool qboardIfPresent) {
    if (code == family::AxisUnit) return AxisPoll(unit, code, verify);
    if (code == family::QBoard) {
        if (qboardIfPresent && !state_.Units.IsPresent(UnitGroup::QBoard, unit))
            return Poll::Finished;
        return Send(unit, code, "\r") ? Poll::Finished : Poll::Silent;
    }
    const char* query = StatusQueryText(code);
    if (query == nullptr) return Poll::Busy;  // no such motor: never finished
    if (!Send(unit, code, query)) return Poll::Silent;
    if (Busy(unit, code)) return Poll::Busy;
    if (verify) {
        VerifyEncoder(unit, code);
        UpdateMoveStatistics(state_.Run.Stats);
    }
    return Poll::Finished;
}

// The whole AxisBoard unit: X, Y, Z, then W; the first axis still moving ends the poll, so the
// next poll starts again with X.
MotionControl::Poll MotionControl::AxisPoll(unsigned unit, uint8_t, bool verify) {
    static constexpr uint8_t kOrder[] = {family::AxisX, family::AxisY, family::AxisZ,
                                         family::AxisW};
    for (uint8_t axis : kOrder) {
        if (!Send(unit, axis, StatusQueryText(axis))) return Poll::Silent;
        if (Busy(unit, axis)) return Poll::Busy;
        if (verify) VerifyEncoder(unit, axis);
    }
    if (verify) UpdateMoveStatistics(state_.Run.Stats);
    return Poll::Finished;
}

bool MotionControl::NoteSilence(Poll result, int& silentPolls, unsigned unit, uint8_t code) {
    if (result != Poll::Silent || state_.Run.StopRun.load() != 0) {
        silentPolls = 0;
        return false;
    }
    if (++silentPolls < kMaxSilentPolls) return false;
    char text[160];
    std::snprintf(text, sizeof text, "%s unit %X does not answer.\nThe program has been stopped.",
                  protocol::FamilyName(code), unit);
    StopProgram(state_.Run);
    op_.ShowMessageBox(text, "VDWin Comm ERROR Message", mb::StopModal);
    return true;
}

// A check-done line does not wait: a poll without a reply is "not finished", and the program's
// own busy branch decides what comes next.
int MotionControl::CheckDone(unsigned unit, uint8_t code, bool verify) {
    return StatusPoll(unit, code, verify, true) == Poll::Finished ? 1 : 0;
}

void MotionControl::WaitDone(unsigned unit, uint8_t code, bool verify) {
    int silentPolls = 0;
    for (;;) {
        Poll r = StatusPoll(unit, code, verify, false);
        if (Stopped()) return;
        if (NoteSilence(r, silentPolls, unit, code)) return;
        if (r == Poll::Finished) return;
        RefreshLinkedEncoder(unit, code);
        pause_(kPollPauseMs);
    }
}

void MotionControl::WaitResponse(unsigned unit, uint8_t code, bool verify) {
    const bool stoppedBefore = state_.Run.StopRun.load() != 0;
    // A reply that never comes ends the run; say so, as the other waits do, rather than stop
    // without a word.
    if (!step_.Poll(unit, code) && step_.PollGotNoReply() && !stoppedBefore) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%s unit %X does not answer.\nThe program has been stopped.",
                      protocol::FamilyName(code), unit);
        op_.ShowMessageBox(text, "VDWin Comm ERROR Message", mb::StopModal);
    }
    if (code != family::QBoard && verify) {
        VerifyEncoder(unit, code == family::AxisUnit ? family::AxisZ : code);
        UpdateMoveStatistics(state_.Run.Stats);
    }
    if (Stopped()) return;
    RefreshLinkedEncoder(unit, code);
}

void MotionControl::WaitAccepted(unsigned unit, uint8_t code) {
    static constexpr uint8_t kOrder[] = {family::AxisX, family::AxisY, family::AxisZ,
                                         family::AxisW};
    const char* query = StatusQueryText(code);
    if (code != family::AxisUnit && query == nullptr) return;
    int silentPolls = 0;
    for (;;) {
        bool ok = true;
        if (code == family::AxisUnit) {
            for (uint8_t axis : kOrder)
                if (!(ok = Send(unit, axis, StatusQueryText(axis)) != 0)) break;
        } else {
            ok = Send(unit, code, query) != 0;
        }
        if (Stopped()) return;
        if (NoteSilence(ok ? Poll::Finished : Poll::Silent, silentPolls, unit, code)) return;
        RefreshLinkedEncoder(unit, code);
        if (ok) return;
        pause_(kPollPauseMs);
    }
}

void MotionControl::RefreshLinkedEncoder(unsigned unit, uint8_t code) {
    if (state_.Run.LinksPresent.load() == 0) return;
    if (code == family::QBoard || code == family::AxisW) return;
    MotorRecord* rec = MotorRecordFor(state_.Boards, unit, code);
    if (rec == nullptr) return;
    uint8_t q = rec->EncoderUnit.load();
    if (state_.Units.IsPresent(UnitGroup::QBoard, q)) Send(q, family::QBoard, "P\r");
}

bool MotionControl::InTolerance(int64_t low, int64_t high, uint8_t q, uint8_t ch) const {
    int64_t e = state_.Boards.Qe[q][ch].Count.load();
    return low <= e && e <= high;
}

void MotionControl::ReadEncoders(uint8_t q) {
    Send(q, family::QBoard, "P\r");
}

int MotionControl::VerifyEncoder(unsigned unit, uint8_t code) {
    MotorRecord* rec = MotorRecordFor(state_.Boards, unit, code);
    if (rec == nullptr || rec->EncoderState.load() == 0) return 1;
    const int32_t pos = rec->Position.load();
    const int64_t low = int64_t{pos} - rec->MinusTolerance.load();
    const int64_t high = int64_t{pos} + rec->PlusTolerance.load();
    unsigned n = rec->RetryCount.load();
    const uint8_t q = rec->EncoderUnit.load();
    const uint8_t ch = rec->EncoderChannel.load();
    const char letter = CorrectionLetter(code);
    if (n == 0) return 1;
    if (q > 15 || ch > 1) return 1;  // no usable link: nothing to compare with

    if (state_.Units.IsPresent(UnitGroup::QBoard, q)) ReadEncoders(q);
    if (InTolerance(low, high, q, ch)) return 1;
    char text[40];
    while (n > 0) {
        if (InTolerance(low, high, q, ch)) return 1;
        if (state_.Run.StopRun.load() != 0) break;  // a stop order ends the corrections too
        const int32_t e = state_.Boards.Qe[q][ch].Count.load();
        if (e < 0) {
            std::snprintf(text, sizeof text, "%cA0\r", letter);
            if (Send(unit, code, text)) {
                auto magnitude = static_cast<uint32_t>(-int64_t{e});
                std::snprintf(text, sizeof text, "%cM%u\r", letter, magnitude);
                if (Send(unit, code, text)) {
                    WaitAccepted(unit, code);
                    ReadEncoders(q);
                    std::snprintf(text, sizeof text, "%cA%u\r", letter, static_cast<uint32_t>(pos));
                    Send(unit, code, text);
                }
            }
        } else {
            std::snprintf(text, sizeof text, "%cA%u\r", letter, static_cast<uint32_t>(e));
            if (Send(unit, code, text)) {
                std::snprintf(text, sizeof text, "%cM%u\r", letter, static_cast<uint32_t>(pos));
                if (Send(unit, code, text)) {
                    WaitAccepted(unit, code);
                    ReadEncoders(q);
                }
            }
        }
        --n;
    }
    return InTolerance(low, high, q, ch) ? 1 : 0;
}

}  // namespace vendra
