#include "core/serial/BoardTransaction.h"

#include <cstring>

#include "core/base/Clock.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/FrameText.h"
#include "core/serial/PositionTracking.h"
#include "core/serial/QeDataLogger.h"
#include "core/serial/QeReading.h"
#include "core/serial/SerialPort.h"

namespace vendra {
namespace {

constexpr uint32_t kPollWaitMs = 300;
const char* const kRxdTitle = "Communications RXD Error";

bool IsAddressed(uint8_t f) {
    return f <= family::QBoard || f == family::AxisUnit;
}
bool IsRaw(uint8_t f) {
    return f >= family::RawNoRead && f <= family::RawRead;
}
bool IsAxis(uint8_t f) {
    return (f >= family::AxisW && f <= family::AxisZ) || f == family::AxisUnit;
}

UnitGroup GroupOf(uint8_t f) {
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    return info ? info->group : UnitGroup::AxisBoard;
}

// TransactionActive for the whole call, and QuietWait restored on every way out once saved.
class ActiveScope {
  public:
    ActiveScope(BoardState& boards, SerialState& serial) : boards_(boards), serial_(serial) {
        boards_.TransactionActive = 1;
    }
    ~ActiveScope() {
        if (quietSaved_) serial_.QuietWait = quiet_;
        boards_.TransactionActive = 0;
    }
    void MakeQuiet() {
        quiet_ = serial_.QuietWait.load();
        quietSaved_ = true;
        serial_.QuietWait = 1;
    }

  private:
    BoardState& boards_;
    SerialState& serial_;
    bool quietSaved_ = false;
    uint32_t quiet_ = 0;
};

}  // namespace

bool DecodeReplyStatus(char status, std::string& text) {
    protocol::ReplyStatus decoded = protocol::LookupReplyStatus(status);
    text = std::move(decoded.text);
    return decoded.success;
}

BoardLink::BoardLink(LinkState state, Operator& op, SerialPort& port, CommDebugLog& log,
                     QeDataLogger& logger, ProgramStopper& stopper)
    : state_(state), op_(op), port_(port), log_(log), logger_(logger), stopper_(stopper) {}

BoardLink::Slot BoardLink::SlotOf(uint8_t f) {
    switch (f) {
        case family::UBoard:
            return SlotU;
        case family::HBoard:
            return SlotH;
        case family::QBoard:
            return SlotQ;
        default:
            return IsAxis(f) ? SlotAxis : SlotD;  // raw frames share the DBoard buffers
    }
}

std::string BoardLink::LastFrame(uint8_t f) const {
    return frame_[SlotOf(f)];
}
std::string BoardLink::LastReply(uint8_t f) const {
    return reply_[SlotOf(f)];
}

void BoardLink::DiscardStale() {
    std::string stale = port_.TakeWaitingInput();
    if (stale.empty()) return;
    log_.LogDiscarded(stale);
    for (size_t start = 0; start < stale.size();) {
        size_t cr = stale.find('\r', start);
        if (cr == std::string::npos) break;
        NoteDiscarded(stale.substr(start, cr - start).c_str());
        start = cr + 1;
    }
}

void BoardLink::NoteOwed(UnitGroup group, unsigned unit, uint64_t timedOutUs) {
    owedSinceUs_[static_cast<int>(group)][unit] = timedOutUs == 0 ? 1 : timedOutUs;
}

void BoardLink::NoteDiscarded(const char* line) {
    UnitGroup group;
    unsigned unit;
    if (protocol::ReplySender(line, group, unit)) owedSinceUs_[static_cast<int>(group)][unit] = 0;
}

void BoardLink::AwaitOwedReply(UnitGroup group, unsigned unit) {
    uint64_t& since = owedSinceUs_[static_cast<int>(group)][unit];
    const uint64_t end = since + kLateReplyMs * 1000ull;
    char line[kReplyBufferBytes];
    for (uint64_t now = TickUs(); since != 0 && now < end; now = TickUs()) {
        if (!AwaitReply(static_cast<uint32_t>((end - now + 999) / 1000))) break;
        bool complete = port_.ReadReplyLine(line, sizeof line);
        line[sizeof line - 1] = '\0';
        log_.LogDiscarded(complete ? std::string(line) + '\r' : std::string(line));
        if (!complete) break;
        NoteDiscarded(line);
    }
    since = 0;  // came, or is taken as lost
}

bool BoardLink::SendFrame(const std::string& frame, bool mayStamp) {
    bool wasOpen = port_.IsOpen();
    DiscardStale();
    log_.LogSentFrame(state_.ProgramPointer.load() + 1, frame);
    state_.Stats.SendTime = TickMs();
    state_.Stats.FramesSent.fetch_add(1);
    // No port at all (No Comm) is nothing to fail; a device that went away is: what would have
    // been sent did not go out.
    const bool sent = mayStamp ? port_.WriteFrame(frame.c_str()) : port_.WriteText(frame.c_str());
    return sent || (!wasOpen && !port_.Lost());
}

void BoardLink::Fail(const std::string& text, const std::string& title, bool purge) {
    lastFailure_ = text;
    if (failureBoxes_) op_.ShowMessageBox(text, title, mb::StopModal);
    stopper_.StopProgram();
    if (purge) port_.PurgeInput();
}

void BoardLink::Refuse(const std::string& text) {
    op_.ShowMessageBox(text, "VDWin Error Message", mb::StopModal);
    stopper_.StopProgram();
}

void BoardLink::CountReply() {
    Statistics& stats = state_.Stats;
    uint32_t now = TickMs();
    stats.ReplyTime = now;
    uint32_t delay = now - stats.SendTime.load();
    stats.ReplyDelaySum.fetch_add(delay);
    if (delay < stats.ReplyDelayMin.load()) stats.ReplyDelayMin = delay;
    if (delay > stats.ReplyDelayMax.load()) stats.ReplyDelayMax = delay;
    stats.ReplyCount.fetch_add(1);
    stats.RepliesCounted.fetch_add(1);
}

bool BoardLink::BuildFrame(unsigned unit, uint8_t f, const std::string& t, std::string& frame) {
    char digit = protocol::UnitDigit(unit);
    if (digit == '\0') {
        Refuse("Unit address " + std::to_string(unit) +
               " is out of range (0 to 15).\nThe command was not sent.");
        return false;
    }
    if (IsRaw(f)) {
        frame = t + '\r';
    } else if (IsAxis(f)) {
        frame = InsertAxisAddress(digit, t);
    } else {
        frame.clear();
        frame.reserve(t.size() + 3);
        frame += protocol::FindFamily(f)->letter;
        frame += digit;
        frame += t;
    }
    if (IsAddressed(f)) EnsureCarriageReturn(frame);
    ExpandTempReferences(frame, state_.Registers.TempRegisters);

    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    size_t capacity = info ? info->frameBufferSize : protocol::kFrameBufferSize;
    if (frame.size() + 1 > capacity) {
        Refuse("The command is too long for its frame (" + std::to_string(frame.size()) +
               " characters, at most " + std::to_string(capacity - 1) +
               ").\nThe command was not sent:\n" + frame.substr(0, 60));
        return false;
    }
    std::memcpy(frame_[SlotOf(f)], frame.c_str(), frame.size() + 1);
    return true;
}

void BoardLink::TrackPosition(unsigned unit, uint8_t f, const std::string& frame) {
    BoardState& b = state_.Boards;
    Statistics& stats = state_.Stats;
    // A frame to an axis or the whole unit may name every axis; raw text is a DBoard's.
    if (IsAxis(f)) return TrackPositionAxis(b.MotorAxis[unit], frame, stats);
    MotorRecord* motor = MotorRecordFor(b, unit, IsRaw(f) ? family::DBoard : f);
    if (motor == nullptr) return;  // a QBoard has no motor
    if (f == family::UBoard)
        TrackPositionU(*motor, frame, stats);
    else
        TrackPositionD(*motor, frame, stats);
}

bool BoardLink::AwaitReply(uint32_t timeoutMs) {
    // With QuietWait set the wait has no box; the frame write has already waited for the output
    // to leave, so the wait is for input alone.
    return port_.WaitForInput(timeoutMs);
}

BoardLink::Reception BoardLink::Receive(Slot slot, uint32_t timeoutMs, const Expected& expected) {
    const uint64_t deadline = TickUs() + static_cast<uint64_t>(timeoutMs) * 1000;
    char line[kReplyBufferBytes];
    for (bool first = true;; first = false) {
        uint64_t now = TickUs();
        if (!first && now >= deadline) return Reception::TimedOut;
        uint32_t left = first ? timeoutMs : static_cast<uint32_t>((deadline - now + 999) / 1000);
        if (!AwaitReply(left)) return Reception::TimedOut;
        bool complete = port_.ReadReplyLine(line, sizeof line);
        line[sizeof line - 1] = '\0';
        bool answers =
            complete && (expected.rawText != nullptr
                             ? protocol::RawReplyMatches(expected.rawText, line)
                             : protocol::ReplyMatches(expected.familyCode, expected.unit, line));
        if (complete && !answers) {
            log_.LogDiscarded(std::string(line) + '\r');
            NoteDiscarded(line);
            continue;
        }
        CountReply();
        std::memcpy(reply_[slot], line, sizeof line);
        log_.LogReceivedText(reply_[slot]);
        return complete ? Reception::Answered : Reception::Broken;
    }
}

bool BoardLink::DecodeReply(unsigned unit, uint8_t f, const char* r, Decoding how) {
    const bool purge = how == Decoding::Transaction;
    if (std::strlen(r) < 3) {
        Fail(std::string("RXD: ") + r, kRxdTitle, purge);
        return false;
    }
    const char status = r[2];
    BoardState& b = state_.Boards;
    if (f <= family::HBoard || (f == family::RawRead && how == Decoding::Transaction)) {
        // Raw frames file their status under DBoard.
        *StatusSlotFor(b, unit, f == family::RawRead ? family::DBoard : f) = status;
    } else if (how == Decoding::Poll) {
        // A poll files an axis under the axis it was given, the whole unit under none.
        if (std::atomic<char>* slot = StatusSlotFor(b, unit, f)) *slot = status;
    } else if (IsAxis(f)) {
        const protocol::BoardFamilyInfo* axis = protocol::FindAxisByReplyLetter(r[0]);
        if (axis == nullptr) {
            Fail(std::string("RXD: ") + r, kRxdTitle, purge);
            return false;
        }
        *StatusSlotFor(b, unit, axis->code) = status;
    }
    std::string text;
    if (!DecodeReplyStatus(status, text)) {
        Fail(text, protocol::ErrorTitle(f), purge);
        return false;
    }
    return true;
}

void BoardLink::FileValue(const char* value) {
    if (*value == '\0') return;
    state_.Boards.LastResponseValue = ReplyNumber(value);
    state_.Boards.LastResponseText = std::string(value);
}

int BoardLink::BoardTransaction(unsigned unit, uint8_t f, const std::string& t) {
    ActiveScope active(state_.Boards, port_.State());
    lastFailure_.clear();
    port_.PumpMessages();
    // What is waiting in the receive queue is taken (and shown as discarded) just before the
    // frame is written (SendFrame), so no separate purge is needed here.
    state_.Stats.MoveEndTime = 0;
    transactionGotNoReply_ = false;
    if ((!t.empty() && t[0] == 'G') || (t.size() > 1 && t[1] == 'G')) f = family::AxisUnit;

    if (!IsAddressed(f) && !IsRaw(f)) {
        std::string frame = t;  // the caller's own text is never rewritten
        ExpandTempReferences(frame, state_.Registers.TempRegisters);
        if (!SendFrame(frame)) return NoLine();
        state_.Boards.LastResponseText = std::string();
        return 1;
    }

    std::string frame;
    if (!BuildFrame(unit, f, t, frame)) return 0;
    TrackPosition(unit, f, frame);
    int channel = 0;
    QeReadingMode mode = f == family::QBoard ? QeModeOf(t, channel) : QeReadingMode::None;

    const bool awaited = !IsAddressed(f) || state_.Units.IsPresent(GroupOf(f), unit);
    UnitGroup sender;
    unsigned senderUnit = 0;
    const bool named =
        awaited && protocol::AnswerSender(f, unit, frame.c_str(), sender, senderUnit);
    if (named) AwaitOwedReply(sender, senderUnit);
    if (!SendFrame(frame)) return NoLine();
    if (!awaited) return 1;
    if (!port_.IsOpen()) return NoLine();  // no line to answer on: never wait for nothing

    active.MakeQuiet();
    int32_t timeout = state_.Config.ReplyTimeout.load();
    const uint32_t timeoutMs = timeout > 0 ? static_cast<uint32_t>(timeout) : 0;
    if (f >= family::RawNoRead && f < family::RawRead) {
        // The reply stays in the queue for a later poll to read; one that is late is that poll's
        // to wait for.
        if (!AwaitReply(timeoutMs)) return port_.IsOpen() ? 0 : NoLine();
        CountReply();
        return 1;
    }
    Slot slot = SlotOf(f);
    Expected expected{f, unit, IsRaw(f) ? frame.c_str() : nullptr};
    Reception got = Receive(slot, timeoutMs, expected);
    if (!port_.IsOpen()) return NoLine();
    transactionGotNoReply_ = got != Reception::Answered;
    if (got == Reception::TimedOut) {
        if (named) NoteOwed(sender, senderUnit, TickUs());
        return 0;
    }
    if (got == Reception::Broken) {
        port_.PurgeInput();  // the rest of a broken line must not pass for the next reply
        return 0;
    }
    const char* r = reply_[slot];
    if (!DecodeReply(unit, f, r, Decoding::Transaction)) return 0;
    if (mode != QeReadingMode::None && r[0] == protocol::kEncoderReplyLetter) {
        FileQeReading({state_.Boards, state_.Registers, state_.Units}, logger_, unit, mode, channel,
                      r + 3);
        return 1;
    }
    FileValue(r + 3);
    return 1;
}

int BoardLink::PollReply(unsigned unit, uint8_t f) {
    ActiveScope active(state_.Boards, port_.State());
    lastFailure_.clear();
    port_.PumpMessages();
    state_.Stats.MoveEndTime = 0;
    active.MakeQuiet();
    pollGotNoReply_ = false;
    // A reply that never comes, or breaks off, ends the run: the wait it belongs to cannot end.
    auto noReply = [this, unit, f] {
        // A line that went away is no silence of the unit.
        if (!port_.IsOpen() && port_.Lost()) return NoLine();
        pollGotNoReply_ = true;
        UnitGroup sender;
        unsigned senderUnit = 0;
        if (protocol::AnswerSender(f, unit, nullptr, sender, senderUnit))
            NoteOwed(sender, senderUnit, TickUs());
        stopper_.StopProgram();
        port_.PurgeInput();
        return 0;
    };
    if (f > family::AxisZ && f != family::AxisUnit) return AwaitReply(kPollWaitMs) ? 1 : noReply();
    if (unit > 15) {
        Refuse("Unit address " + std::to_string(unit) + " is out of range (0 to 15).");
        return 0;
    }
    Slot slot = SlotOf(f);
    if (Receive(slot, kPollWaitMs, Expected{f, unit, nullptr}) != Reception::Answered)
        return noReply();
    const char* r = reply_[slot];
    if (!DecodeReply(unit, f, r, Decoding::Poll)) return 0;
    if (r[3] != '\0') state_.Boards.LastResponseValue = ReplyNumber(r + 3);
    return 1;
}

int BoardLink::NoLine() {
    if (!port_.IsOpen() && !port_.Lost()) return 0;  // No Comm: like a reply that never came
    // A device that went away has been reported by the port layer, once; a write that failed on
    // a port still open is reported here. Either way the program cannot go on.
    if (port_.IsOpen())
        op_.ShowMessageBox("Can not write to the Communications Port\nTerminating procedure",
                           "VDWin Comm ERROR Message", mb::StopModal);
    stopper_.StopProgram();
    return 0;
}

}  // namespace vendra
