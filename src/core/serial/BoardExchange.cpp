#include "core/serial/BoardExchange.h"

#include <algorithm>
#include <cstring>

#include "core/base/Clock.h"
#include "core/serial/FrameText.h"

namespace vendra {
namespace {

const char* const kRxdTitle = "Communications RXD Error";

bool IsAddressedCode(uint8_t f) {
    return f <= family::QBoard || f == family::AxisUnit;
}
bool IsRawCode(uint8_t f) {
    return f >= family::RawNoRead && f <= family::RawRead;
}
bool IsAxisCode(uint8_t f) {
    return (f >= family::AxisW && f <= family::AxisZ) || f == family::AxisUnit;
}

UnitGroup GroupOf(uint8_t f) {
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    return info ? info->group : UnitGroup::AxisBoard;
}

BoardAnswer::Result ResultOf(Reply::Got got) {
    switch (got) {
        case Reply::Got::Answered:
            return BoardAnswer::Result::Ok;
        case Reply::Got::TimedOut:
            return BoardAnswer::Result::TimedOut;
        case Reply::Got::Broken:
            return BoardAnswer::Result::Broken;
        case Reply::Got::NoLine:
            return BoardAnswer::Result::NoLine;
        case Reply::Got::Lost:
            return BoardAnswer::Result::Lost;
        case Reply::Got::Stopped:
            return BoardAnswer::Result::Stopped;
        case Reply::Got::Failed:
            return BoardAnswer::Result::Failed;
    }
    return BoardAnswer::Result::NoLine;
}

void BoardError(BoardAnswer& a, std::string text, std::string title) {
    a.result = BoardAnswer::Result::BoardError;
    a.errorText = std::move(text);
    a.errorTitle = std::move(title);
}

// Takes the status of a reply read in full; a transaction finds an axis by the reply letter, a
// poll files it under the family it was given.
void Decode(BoardAnswer& a) {
    const std::string& r = a.reply;
    if (r.size() < 3) {
        BoardError(a, "RXD: " + r, kRxdTitle);
        return;
    }
    a.status = r[2];
    if (a.poll) {
        if (a.family >= family::AxisW && a.family <= family::AxisZ)
            a.axis = protocol::FindFamily(a.family)->axis;
    } else if (IsAxisCode(a.family)) {
        const protocol::BoardFamilyInfo* axis = protocol::FindAxisByReplyLetter(r[0]);
        if (axis == nullptr) {
            BoardError(a, "RXD: " + r, kRxdTitle);
            return;
        }
        a.axis = axis->axis;
    }
    protocol::ReplyStatus decoded = protocol::LookupReplyStatus(a.status);
    if (!decoded.success) {
        BoardError(a, std::move(decoded.text), protocol::ErrorTitle(a.family));
        return;
    }
    a.value = r.substr(3);
}

// What a frame of `frame`'s family to its unit must be answered by, and who owes the answer.
ReplyRule RuleFor(const BoardFrame& frame) {
    ReplyRule rule;
    if (frame.Raw()) {
        rule.kind = ReplyRule::Kind::Raw;
        rule.text = frame.text.c_str();
    } else {
        rule.family = frame.family;
        rule.unit = frame.unit;
    }
    rule.owed = protocol::AnswerSender(frame.family, frame.unit, frame.text.c_str(), rule.owedGroup,
                                       rule.owedUnit);
    return rule;
}

}  // namespace

bool BoardFrame::Addressed() const {
    return IsAddressedCode(family);
}
bool BoardFrame::Raw() const {
    return IsRawCode(family);
}
bool BoardFrame::NoReply() const {
    return !Addressed() && !Raw();
}

BoardFrame BuildBoardFrame(unsigned unit, uint8_t f, std::string_view t) {
    BoardFrame frame;
    frame.unit = unit;
    if ((!t.empty() && t[0] == 'G') || (t.size() > 1 && t[1] == 'G')) f = family::AxisUnit;
    frame.family = f;
    if (frame.NoReply()) {
        frame.text = std::string(t);  // the caller's own text, as it stands
        return frame;
    }
    const char digit = protocol::UnitDigit(unit);
    if (digit == '\0') {
        frame.refusal = "Unit address " + std::to_string(unit) +
                        " is out of range (0 to 15).\nThe command was not sent.";
        return frame;
    }
    if (frame.Raw()) {
        frame.text = std::string(t) + '\r';
    } else if (IsAxisCode(f)) {
        frame.text = InsertAxisAddress(digit, t);
    } else {
        frame.text.reserve(t.size() + 3);
        frame.text += protocol::FindFamily(f)->letter;
        frame.text += digit;
        frame.text += t;
    }
    if (frame.Addressed()) EnsureCarriageReturn(frame.text);
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    const size_t capacity = info ? info->frameBufferSize : protocol::kFrameBufferSize;
    if (frame.text.size() + 1 > capacity) {
        frame.refusal = "The command is too long for its frame (" +
                        std::to_string(frame.text.size()) + " characters, at most " +
                        std::to_string(capacity - 1) + ").\nThe command was not sent:\n" +
                        frame.text.substr(0, 60);
        frame.text.clear();
    }
    return frame;
}

BoardAnswer ExchangeWithBoard(LineSession& session, const BoardFrame& frame, const UnitMap& units) {
    BoardAnswer a;
    a.unit = frame.unit;
    a.family = frame.family;
    a.frame = frame.text;
    if (!frame.refusal.empty()) {
        a.result = BoardAnswer::Result::Refused;
        a.errorText = frame.refusal;
        a.errorTitle = "VDWin Error Message";
        return a;
    }
    const bool awaited = !frame.Addressed() || units.IsPresent(GroupOf(frame.family), frame.unit);
    if (frame.NoReply() || !awaited) {
        a.line.sentMs = TickMs();
        a.line.written = session.Send(frame.text);
        // No port at all (No Comm) is nothing to fail; a device that went away is.
        if (a.line.written || (!session.IsOpen() && !session.Lost()))
            a.result = BoardAnswer::Result::NotAwaited;
        else
            a.result = session.IsOpen() ? BoardAnswer::Result::Failed : BoardAnswer::Result::Lost;
        return a;
    }
    const uint32_t timeoutMs = static_cast<uint32_t>(std::max(session.ReplyTimeoutMs(), 0));
    const ReplyRule rule = RuleFor(frame);
    if (frame.Raw() && frame.family != family::RawRead) {
        // The reply stays in the queue for a later poll to read.
        a.line = session.ExchangeUnread(frame.text, rule, timeoutMs);
        a.result = ResultOf(a.line.got);
        return a;
    }
    a.line = session.Exchange(frame.text, rule, timeoutMs);
    a.result = ResultOf(a.line.got);
    a.reply = a.line.line;
    if (a.result == BoardAnswer::Result::Ok) Decode(a);
    return a;
}

BoardAnswer PollBoard(LineSession& session, unsigned unit, uint8_t f) {
    BoardAnswer a;
    a.unit = unit;
    a.family = f;
    a.poll = true;
    if (f > family::AxisZ && f != family::AxisUnit) {
        a.result = session.WaitForInput(kPollWaitMs) ? BoardAnswer::Result::Ok
                   : session.IsOpen()                ? BoardAnswer::Result::TimedOut
                   : session.Lost()                  ? BoardAnswer::Result::Lost
                                                     : BoardAnswer::Result::TimedOut;
        return a;
    }
    if (unit > 15) {
        a.result = BoardAnswer::Result::Refused;
        a.errorText = "Unit address " + std::to_string(unit) + " is out of range (0 to 15).";
        a.errorTitle = "VDWin Error Message";
        return a;
    }
    ReplyRule rule;
    rule.family = f;
    rule.unit = unit;
    rule.owed = protocol::AnswerSender(f, unit, nullptr, rule.owedGroup, rule.owedUnit);
    a.line = session.AwaitReply(rule, kPollWaitMs);
    a.result = ResultOf(a.line.got);
    // No port (never lost) gives no answer, as silence does.
    if (a.result == BoardAnswer::Result::NoLine) a.result = BoardAnswer::Result::TimedOut;
    a.reply = a.line.line;
    if (a.result == BoardAnswer::Result::Ok) Decode(a);
    return a;
}

void ShowBoardError(Operator& op, const BoardAnswer& answer) {
    op.ShowMessageBox(answer.errorText, answer.errorTitle, mb::StopModal);
}

void ShowLineFailure(Operator& op) {
    op.ShowMessageBox("Can not write to the Communications Port\nTerminating procedure",
                      "VDWin Comm ERROR Message", mb::StopModal);
}

}  // namespace vendra
