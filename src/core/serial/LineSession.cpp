#include "core/serial/LineSession.h"

#include <algorithm>

#include "core/base/Clock.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/SerialPort.h"

namespace vendra {

namespace {
// The most characters a time stamp adds to a frame ("%lu : ").
constexpr size_t kStampChars = 24;
}  // namespace

bool ReplyRule::Answers(const char* line) const {
    switch (kind) {
        case Kind::Board:
            return protocol::ReplyMatches(family, unit, line);
        case Kind::Raw:
            return protocol::RawReplyMatches(text, line);
        case Kind::Identity:
            return protocol::ReplyAnswersFrame(text, line);
    }
    return false;
}

// ---- the line ----

SerialLine::SerialLine(SerialState& serial, Operator& op, CommDebugLog& log,
                       const std::atomic<int32_t>& logLine, std::atomic<int32_t>& replyTimeoutMs,
                       std::unique_ptr<SerialDevice> device)
    : serial_(serial),
      op_(op),
      log_(log),
      logLine_(logLine),
      replyTimeoutMs_(replyTimeoutMs),
      port_(std::make_unique<SerialPort>(serial, op, std::move(device))) {}

SerialLine::~SerialLine() = default;

LineSession SerialLine::Take(LineUser user, StopToken stop) {
    LineOwner::Guard guard = serial_.Line.Take(user);
    if (!guard) return {};
    return LineSession(this, std::move(guard), stop);
}

bool SerialLine::IsOpen() const {
    return port_->IsOpen();
}
bool SerialLine::Lost() const {
    return port_->Lost();
}
std::string SerialLine::DevicePath() const {
    return port_->DevicePath();
}
void SerialLine::CloseAtExit() {
    port_->ClosePort();
}
void SerialLine::SetDeviceFolder(std::string folder) {
    port_->SetDeviceFolder(std::move(folder));
}
const std::string& SerialLine::DeviceFolder() const {
    return port_->DeviceFolder();
}
void SerialLine::SetSystemDevicePrefix(std::string prefix) {
    port_->SetSystemDevicePrefix(std::move(prefix));
}
void SerialLine::SetLossHandler(std::function<bool()> handler) {
    port_->SetLossHandler(std::move(handler));
}

// ---- the session: ownership ----

LineSession::LineSession(SerialLine* line, LineOwner::Guard guard, StopToken stop)
    : line_(line), guard_(std::move(guard)), stop_(stop) {
    line_->port_->SetStopToken(stop_);
}

LineSession::LineSession(LineSession&& other) noexcept
    : line_(other.line_), guard_(std::move(other.guard_)), stop_(other.stop_) {
    other.line_ = nullptr;
}

LineSession& LineSession::operator=(LineSession&& other) noexcept {
    if (this != &other) {
        Release();
        line_ = other.line_;
        guard_ = std::move(other.guard_);
        stop_ = other.stop_;
        other.line_ = nullptr;
    }
    return *this;
}

LineSession::~LineSession() {
    Release();
}

void LineSession::Release() {
    if (line_ == nullptr) return;
    line_->port_->SetStopToken({});
    line_ = nullptr;
    guard_.Release();
}

StopToken LineSession::SetStopToken(StopToken stop) {
    const StopToken old = stop_;
    stop_ = stop;
    if (line_ != nullptr) line_->port_->SetStopToken(stop_);
    return old;
}

SerialPort& LineSession::Port() const {
    return *line_->port_;
}

Operator& LineSession::Op() const {
    return line_->op_;
}

// ---- the device ----

bool LineSession::Open(int portNumber, uint32_t baud) {
    return line_ != nullptr && Port().OpenPort(portNumber, baud);
}
bool LineSession::OpenDevice(const std::string& path, uint32_t baud) {
    return line_ != nullptr && Port().OpenDevice(path, baud);
}
void LineSession::Close() {
    if (line_ != nullptr) Port().ClosePort();
}
bool LineSession::SetBaud(uint32_t baud) {
    return line_ != nullptr && Port().SetBaudRate(baud);
}
void LineSession::SetCurrentBaud(uint32_t baud) {
    if (line_ != nullptr) line_->serial_.CurrentBaud = baud;
}
bool LineSession::IsOpen() const {
    return line_ != nullptr && Port().IsOpen();
}
bool LineSession::Lost() const {
    return line_ != nullptr && Port().Lost();
}
std::string LineSession::DevicePath() const {
    return line_ != nullptr ? Port().DevicePath() : std::string();
}
std::string LineSession::LastError() const {
    return line_ != nullptr ? Port().LastError() : std::string();
}
bool LineSession::OpenedSystemDevice(int) const {
    return OpenedPortDevice().source == PortDeviceSource::SystemRule;
}
PortDevice LineSession::OpenedPortDevice() const {
    return line_ != nullptr ? Port().OpenedPortDevice() : PortDevice{};
}

// ---- frames ----

void LineSession::DiscardStale(bool logged) {
    std::string stale = Port().TakeWaitingInput();
    if (stale.empty() || !logged) return;
    line_->log_.LogDiscarded(stale);
    for (size_t start = 0; start < stale.size();) {
        size_t cr = stale.find('\r', start);
        if (cr == std::string::npos) break;
        NoteDiscarded(stale.substr(start, cr - start).c_str());
        start = cr + 1;
    }
}

bool LineSession::Send(std::string_view frame, Sending how) {
    if (line_ == nullptr) return false;
    SerialPort& port = Port();
    const bool logged = how == Sending::Logged || how == Sending::Data;
    // A quiet frame's write purges the input anyway; what a logged one throws away is shown.
    if (logged) {
        DiscardStale(true);
        line_->log_.LogSentFrame(line_->logLine_.load() + 1, frame);
    }
    const std::string text(frame);
    const bool stamped = how == Sending::Logged || how == Sending::Quiet;
    return stamped ? port.WriteFrame(text.c_str(), logged) : port.WriteText(text.c_str(), logged);
}

bool LineSession::SendStopFrame() {
    return Send(protocol::kAbortFrame, Sending::Quiet);
}

uint64_t LineSession::FramesWritten() const {
    return line_ != nullptr ? Port().FramesWritten() : 0;
}

// ---- replies ----

void LineSession::NoteOwed(const ReplyRule& rule) {
    if (!rule.owed || rule.owedUnit > 15) return;
    const uint64_t now = TickUs();
    line_->owedSinceUs_[static_cast<int>(rule.owedGroup)][rule.owedUnit] = now == 0 ? 1 : now;
}

void LineSession::NoteDiscarded(const char* line) {
    UnitGroup group;
    unsigned unit;
    if (protocol::ReplySender(line, group, unit))
        line_->owedSinceUs_[static_cast<int>(group)][unit] = 0;
}

void LineSession::AwaitOwedReply(const ReplyRule& rule) {
    if (!rule.owed || rule.owedUnit > 15) return;
    uint64_t& since = line_->owedSinceUs_[static_cast<int>(rule.owedGroup)][rule.owedUnit];
    const uint64_t end = since + kLateReplyMs * 1000ull;
    SerialPort& port = Port();
    char line[kReplyLineChars + 1];
    for (uint64_t now = TickUs(); since != 0 && now < end; now = TickUs()) {
        if (!port.WaitForInput(static_cast<uint32_t>((end - now + 999) / 1000))) break;
        const bool complete = port.ReadReplyLine(line, sizeof line);
        line_->log_.LogDiscarded(complete ? std::string(line) + '\r' : std::string(line));
        if (!complete) break;
        NoteDiscarded(line);
    }
    since = 0;  // came, or is taken as lost
}

Reply LineSession::NotSent() const {
    Reply reply;
    if (line_ == nullptr) return reply;
    SerialPort& port = Port();
    reply.got = port.IsOpen() ? Reply::Got::Failed
                : port.Lost() ? Reply::Got::Lost
                              : Reply::Got::NoLine;
    return reply;
}

Reply LineSession::Receive(const ReplyRule& rule, uint32_t timeoutMs, bool logged, Reply reply,
                           uint64_t sendingUs) {
    SerialPort& port = Port();
    const uint64_t deadline = TickUs() + sendingUs + static_cast<uint64_t>(timeoutMs) * 1000;
    char line[kReplyLineChars + 1];
    for (bool first = true;; first = false) {
        const uint64_t now = TickUs();
        if (!first && now >= deadline) {
            reply.got = Reply::Got::TimedOut;
            return reply;
        }
        const uint32_t left = first && sendingUs == 0
                                  ? timeoutMs
                                  : static_cast<uint32_t>((deadline - now + 999) / 1000);
        if (!port.WaitForInput(left)) {
            reply.got = Stopping()      ? Reply::Got::Stopped
                        : port.IsOpen() ? Reply::Got::TimedOut
                        : port.Lost()   ? Reply::Got::Lost
                                        : Reply::Got::NoLine;
            return reply;
        }
        const bool complete = port.ReadReplyLine(line, sizeof line);
        if (complete && !rule.Answers(line)) {
            if (logged) line_->log_.LogDiscarded(std::string(line) + '\r');
            NoteDiscarded(line);
            continue;
        }
        reply.answeredMs = TickMs();
        reply.line = line;
        if (logged) line_->log_.LogReceivedText(line);
        reply.got = complete         ? Reply::Got::Answered
                    : !port.IsOpen() ? Reply::Got::Lost
                    : Stopping()     ? Reply::Got::Stopped
                                     : Reply::Got::Broken;
        return reply;
    }
}

Reply LineSession::Exchange(std::string_view frame, const ReplyRule& rule, uint32_t timeoutMs,
                            Sending how) {
    if (line_ == nullptr) return {};
    AwaitOwedReply(rule);
    SerialPort& port = Port();
    Reply reply;
    reply.sentMs = TickMs();
    // The frame's output is not waited for before the reply (one call into the system less per
    // exchange, and the board is not kept waiting for the next frame): the reply's wait grows by
    // the frame's line time (its time stamp included) instead.
    port.SetDrain(SerialPort::Drain::ByReply);
    reply.written = Send(frame, how);
    port.SetDrain(SerialPort::Drain::Now);
    if (!reply.written || !port.IsOpen()) {
        Reply failed = NotSent();
        failed.sentMs = reply.sentMs;
        return failed;
    }
    const bool stamped = (how == Sending::Logged || how == Sending::Quiet) &&
                         port.State().TimeStampFrames.load() == 1;
    const uint64_t sendingUs = port.LineTimeUs(frame.size() + (stamped ? kStampChars : 0));
    reply =
        Receive(rule, timeoutMs, how == Sending::Logged || how == Sending::Data, reply, sendingUs);
    if (reply.got == Reply::Got::Answered) {
        port.NoteOutputLeft();
    } else if (port.IsOpen() && !port.DrainOutput() && port.IsOpen() && !Stopping()) {
        // The frame never left (a line held up): as a write whose output did not leave.
        Reply failed = NotSent();
        failed.sentMs = reply.sentMs;
        return failed;
    }
    if (reply.got == Reply::Got::TimedOut) NoteOwed(rule);
    // The rest of a broken line must not pass for the next reply.
    if (reply.got == Reply::Got::Broken) Port().PurgeInput();
    return reply;
}

Reply LineSession::ExchangeUnread(std::string_view frame, const ReplyRule& rule,
                                  uint32_t timeoutMs) {
    if (line_ == nullptr) return {};
    AwaitOwedReply(rule);
    Reply reply;
    reply.sentMs = TickMs();
    reply.written = Send(frame, Sending::Logged);
    if (!reply.written || !Port().IsOpen()) {
        Reply failed = NotSent();
        failed.sentMs = reply.sentMs;
        return failed;
    }
    SerialPort& port = Port();
    if (port.WaitForInput(timeoutMs)) {
        reply.answeredMs = TickMs();
        reply.got = Reply::Got::Answered;
    } else {
        reply.got = Stopping()      ? Reply::Got::Stopped
                    : port.IsOpen() ? Reply::Got::TimedOut
                                    : Reply::Got::Lost;
    }
    return reply;
}

Reply LineSession::AwaitReply(const ReplyRule& rule, uint32_t timeoutMs) {
    if (line_ == nullptr) return {};
    if (!Port().IsOpen()) return NotSent();
    Reply reply = Receive(rule, timeoutMs, true, Reply{});
    if (reply.got == Reply::Got::TimedOut || reply.got == Reply::Got::Broken) {
        NoteOwed(rule);
        Port().PurgeInput();
    }
    return reply;
}

LinePiece LineSession::ReadPiece(std::string_view ends, uint32_t firstByteMs, uint32_t pieceMs,
                                 size_t maxChars) {
    LinePiece piece;
    if (line_ == nullptr) return piece;
    const SerialPort::PieceLimits limits{TickUs() + uint64_t{firstByteMs} * 1000,
                                         pieceMs,
                                         maxChars,
                                         false,
                                         true,
                                         SerialPort::kPieceChunk,
                                         true};
    switch (Port().ReadPiece(ends, limits, piece.text, piece.end)) {
        case SerialPort::PieceEnd::Ended:
            piece.how = LinePiece::End::Ended;
            break;
        case SerialPort::PieceEnd::TimedOut:
            piece.how = LinePiece::End::TimedOut;
            break;
        case SerialPort::PieceEnd::Unended:
            piece.how = LinePiece::End::Unended;
            break;
        case SerialPort::PieceEnd::TooLong:
            piece.how = LinePiece::End::TooLong;
            break;
        case SerialPort::PieceEnd::Lost:
            piece.how = LinePiece::End::Lost;
            break;
        case SerialPort::PieceEnd::Stopped:
            piece.how = LinePiece::End::Stopped;
            break;
        case SerialPort::PieceEnd::Closed:
            piece.how = Port().Lost() ? LinePiece::End::Lost : LinePiece::End::NoLine;
            break;
    }
    return piece;
}

void LineSession::DiscardInput() {
    if (line_ != nullptr) Port().PurgeInput();
}

bool LineSession::StillThere() {
    if (line_ == nullptr || !Port().IsOpen()) return false;
    // A short look: a device that went away shows in the wait, nothing that arrived is read.
    Port().WaitForInput(1);
    return Port().IsOpen();
}

// ---- raw bytes ----

bool LineSession::WriteRaw(std::string_view bytes) {
    return line_ != nullptr && Port().WriteRaw(std::string(bytes));
}

long LineSession::ReadAvailable(char* buffer, size_t capacity) {
    if (line_ == nullptr) return -1;
    return Port().ReadAvailable(reinterpret_cast<uint8_t*>(buffer), capacity);
}

bool LineSession::WaitForInput(uint32_t timeoutMs) {
    return line_ != nullptr && Port().WaitForInput(timeoutMs);
}

int LineSession::Descriptor() const {
    return line_ != nullptr ? Port().Descriptor() : -1;
}

// ---- settings ----

LineSession::Setting::Setting(std::atomic<int32_t>* i, int32_t iValue, std::atomic<uint32_t>* u,
                              uint32_t uValue)
    : i_(i), iSaved_(i ? i->load() : 0), u_(u), uSaved_(u ? u->load() : 0) {
    if (i_ != nullptr) *i_ = iValue;
    if (u_ != nullptr) *u_ = uValue;
}

LineSession::Setting::Setting(Setting&& other) noexcept
    : i_(other.i_), iSaved_(other.iSaved_), u_(other.u_), uSaved_(other.uSaved_) {
    other.i_ = nullptr;
    other.u_ = nullptr;
}

LineSession::Setting::~Setting() {
    if (i_ != nullptr) *i_ = iSaved_;
    if (u_ != nullptr) *u_ = uSaved_;
}

int32_t LineSession::ReplyTimeoutMs() const {
    return line_ != nullptr ? line_->replyTimeoutMs_.load() : 0;
}

LineSession::Setting LineSession::ReplyTimeout(int32_t ms) {
    return Setting(line_ ? &line_->replyTimeoutMs_ : nullptr, ms, nullptr, 0);
}

LineSession::Setting LineSession::Pacing(uint32_t msPerByte) {
    return Setting(nullptr, 0, line_ ? &line_->serial_.TransmitDelay : nullptr, msPerByte);
}

LineSession::Setting LineSession::TimeStamps(bool on) {
    return Setting(nullptr, 0, line_ ? &line_->serial_.TimeStampFrames : nullptr, on ? 1u : 0u);
}

}  // namespace vendra
