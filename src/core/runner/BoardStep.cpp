#include "core/runner/BoardStep.h"

#include "core/base/Clock.h"
#include "core/runner/PositionTracking.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/QeReading.h"
#include "core/runner/TempReferences.h"
#include "core/serial/FrameText.h"

namespace vendra {
namespace {

// TransactionActive for the whole step.
class ActiveFlag {
  public:
    explicit ActiveFlag(std::atomic<uint32_t>& flag) : flag_(flag) { flag_ = 1; }
    ~ActiveFlag() { flag_ = 0; }
    ActiveFlag(const ActiveFlag&) = delete;
    ActiveFlag& operator=(const ActiveFlag&) = delete;

  private:
    std::atomic<uint32_t>& flag_;
};

}  // namespace

BoardStep::BoardStep(BoardStepState state, Operator& op, QeDataLogger* logger)
    : state_(state), op_(op), logger_(logger) {}

void BoardStep::TrackFrame(const BoardFrame& frame) {
    BoardState& b = state_.Boards;
    Statistics& stats = state_.Run.Stats;
    const unsigned unit = frame.unit;
    if (frame.NoReply() || unit > 15 || frame.family == family::QBoard) return;  // no motor
    if (!frame.Raw() && frame.family > family::HBoard) {
        // A frame to an axis or to the whole AxisBoard unit may name every axis.
        TrackPositionAxis(b.MotorAxis[unit], frame.text, stats);
        return;
    }
    // Raw text is a DBoard's.
    MotorRecord& motor = *MotorRecordFor(b, unit, frame.Raw() ? family::DBoard : frame.family);
    if (frame.family == family::UBoard)
        TrackPositionU(motor, frame.text, stats);
    else
        TrackPositionD(motor, frame.text, stats);
}

void BoardStep::CountSend(uint32_t sentMs) {
    Statistics& stats = state_.Run.Stats;
    stats.SendTime = sentMs;
    stats.FramesSent.fetch_add(1);
}

void BoardStep::File(const BoardAnswer& a, int qeChannel, int qeMode) {
    BoardState& b = state_.Boards;
    Statistics& stats = state_.Run.Stats;
    if (!a.poll && a.result != BoardAnswer::Result::Refused) CountSend(a.line.sentMs);
    if (a.line.answeredMs != 0) {
        // Ticks wrap like the boards' 32-bit counters; the difference is still the delay.
        const uint32_t delay = a.line.answeredMs - stats.SendTime.load();
        stats.ReplyTime = a.line.answeredMs;
        stats.ReplyDelaySum.fetch_add(delay);
        if (delay < stats.ReplyDelayMin.load()) stats.ReplyDelayMin = delay;
        if (delay > stats.ReplyDelayMax.load()) stats.ReplyDelayMax = delay;
        stats.ReplyCount.fetch_add(1);
        stats.RepliesCounted.fetch_add(1);
    }
    if (a.status != '\0' && a.unit <= 15) {
        std::atomic<char>* slot = nullptr;
        if (a.family <= family::HBoard || (a.family == family::RawRead && !a.poll))
            // Raw frames file their status under DBoard.
            slot =
                StatusSlotFor(b, a.unit, a.family == family::RawRead ? family::DBoard : a.family);
        else if (const protocol::BoardFamilyInfo* axis = protocol::FindAxis(a.axis))
            slot = StatusSlotFor(b, a.unit, axis->code);
        if (slot != nullptr) *slot = a.status;
    }
    if (a.result != BoardAnswer::Result::Ok || a.value.empty()) return;
    if (a.poll) {
        b.LastResponseValue = ReplyNumber(a.value);
        return;
    }
    if (qeMode != static_cast<int>(QeReadingMode::None) && !a.reply.empty() &&
        a.reply[0] == protocol::kEncoderReplyLetter) {
        FileQeReading({b, state_.Run, state_.Units}, logger_, a.unit,
                      static_cast<QeReadingMode>(qeMode), qeChannel, a.value);
        return;
    }
    b.LastResponseValue = ReplyNumber(a.value);
    b.LastResponseText = a.value;
}

int BoardStep::Fail(const BoardAnswer& a) {
    switch (a.result) {
        case BoardAnswer::Result::BoardError:
            lastFailure_ = a.errorText;
            if (failureBoxes_) ShowBoardError(op_, a);
            StopProgram(state_.Run);
            // The rest of what an erring board sent is no answer to anything.
            if (!a.poll && session_ != nullptr) session_->DiscardInput();
            return 0;
        case BoardAnswer::Result::Refused:
            op_.ShowMessageBox(a.errorText, a.errorTitle, mb::StopModal);
            StopProgram(state_.Run);
            return 0;
        case BoardAnswer::Result::Failed:
            ShowLineFailure(op_);
            StopProgram(state_.Run);
            return 0;
        case BoardAnswer::Result::Lost:
            StopProgram(state_.Run);
            return 0;
        case BoardAnswer::Result::TimedOut:
        case BoardAnswer::Result::Broken:
            if (a.poll) {
                // The wait this poll belongs to cannot end without the reply.
                pollGotNoReply_ = true;
                StopProgram(state_.Run);
                if (session_ != nullptr) session_->DiscardInput();
            } else {
                commandGotNoReply_ = true;
            }
            return 0;
        default:
            return 0;
    }
}

int BoardStep::Command(unsigned unit, uint8_t familyCode, const std::string& text) {
    ActiveFlag active(state_.Boards.TransactionActive);
    lastFailure_.clear();
    commandGotNoReply_ = false;
    state_.Run.Stats.MoveEndTime = 0;
    std::string expanded = text;
    ExpandTempReferences(expanded, state_.Run.TempRegisters);
    const BoardFrame frame = BuildBoardFrame(unit, familyCode, expanded);
    if (frame.refusal.empty()) TrackFrame(frame);
    int channel = 0;
    const QeReadingMode mode =
        frame.family == family::QBoard ? QeModeOf(expanded, channel) : QeReadingMode::None;
    if (session_ == nullptr) {
        last_ = BoardAnswer{};
        return 0;
    }
    last_ = ExchangeWithBoard(*session_, frame, state_.Units);
    File(last_, channel, static_cast<int>(mode));
    if (frame.NoReply() && last_.Succeeded()) state_.Boards.LastResponseText = std::string();
    return last_.Succeeded() ? 1 : Fail(last_);
}

int BoardStep::Poll(unsigned unit, uint8_t familyCode) {
    ActiveFlag active(state_.Boards.TransactionActive);
    lastFailure_.clear();
    pollGotNoReply_ = false;
    state_.Run.Stats.MoveEndTime = 0;
    if (session_ == nullptr) {
        last_ = BoardAnswer{};
        return 0;
    }
    last_ = PollBoard(*session_, unit, familyCode);
    File(last_, 0, static_cast<int>(QeReadingMode::None));
    return last_.Succeeded() ? 1 : Fail(last_);
}

bool BoardStep::SendFrame(const std::string& frame, Sending how) {
    if (session_ == nullptr) return false;
    const bool wasOpen = session_->IsOpen();
    CountSend(TickMs());
    // No port at all (No Comm) is nothing to fail; a device that went away is.
    return session_->Send(frame, how) || (!wasOpen && !session_->Lost());
}

}  // namespace vendra
