#include "sim/Simulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/Network.h"
#include "sim/OutputQueue.h"
#include "sim/PtyLine.h"

namespace vendra::sim {

namespace {

constexpr size_t kMaxFrame = 1024;  // longer input without CR is dropped, not kept growing
// How long before a paced answer's last byte is due the simulator stops sleeping and spins: a
// little over a timer's usual lateness at one microsecond of slack.
constexpr auto kSpinLead = std::chrono::microseconds(40);

// A frame without the host's time stamp ("<digits> : " in front); other frames as they are.
std::string WithoutTimeStamp(const std::string& frame) {
    size_t digits = frame.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string::npos || frame.compare(digits, 3, " : ") != 0)
        return frame;
    return frame.substr(digits + 3);
}

}  // namespace

struct Simulator::Impl {
    OutputQueue out;
};

Simulator::Simulator(Options options)
    : options_(std::move(options)),
      log_(options_.keepMemoryLog),
      network_(std::make_unique<Network>()),
      line_(std::make_unique<PtyLine>()),
      impl_(std::make_unique<Impl>()) {
    // Units exist from construction, so tests may set them up before Start(); errors in the
    // options are reported by Start().
    if (!network_->Build(options_, SimClock::now(), configError_)) return;
    for (const auto& rule : options_.faults) {
        auto fault = ParseFault(rule, configError_);
        if (!fault) return;
        faults_.Add(*fault);
    }
    if (!IsBoardBaud(options_.boardBaud))
        configError_ =
            "the boards' rate must be one of 9600, 19200, 38400, 57600, 115200, "
            "230400, 460800";
    pace_ = options_.pace;
}

Simulator::~Simulator() {
    Stop();
}

std::vector<UnitConfig> Simulator::ParseUnits(const std::string& text, std::string* error) {
    std::vector<UnitConfig> units;
    std::string e;
    if (!vendra::sim::ParseUnits(text, units, e)) {
        if (error) *error = e;
        return {};
    }
    return units;
}

std::string Simulator::Error() const {
    std::lock_guard lock(mu_);
    return error_;
}

std::string Simulator::SlavePath() const {
    std::lock_guard lock(mu_);
    return slavePath_;
}

std::string Simulator::LinkPath() const {
    std::lock_guard lock(mu_);
    return linkPath_;
}

bool Simulator::Start() {
    if (running_) return true;
    auto fail = [this](const std::string& text) {
        std::lock_guard lock(mu_);
        error_ = text;
        return false;
    };
    if (!configError_.empty()) return fail(configError_);
    std::string error;
    struct stat st {};
    if (stat(options_.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail("the folder " + options_.folder + " does not exist");
    if (options_.port < 1 || options_.port > 255) return fail("the port number must be 1..255");
    if (!options_.logFile.empty() && !log_.OpenFile(options_.logFile, error)) return fail(error);
    if (!line_->Open(options_.boardBaud, error)) return fail(error);
    std::string link = options_.folder + "/COM" + std::to_string(options_.port);
    if (!line_->MakeLink(link, error)) {
        line_->Close();
        return fail(error);
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        line_->Close();
        return fail(std::string("eventfd: ") + std::strerror(errno));
    }
    {
        std::lock_guard lock(mu_);
        slavePath_ = line_->slavePath();
        linkPath_ = link;
        error_.clear();
    }
    partial_.clear();
    ignoredPartial_.clear();
    impl_->out.Clear();
    vanishPending_ = false;
    pendingReturnMs_ = -1;
    returnDue_.reset();
    vanished_ = false;
    vanishRequest_ = false;
    returnRequest_ = false;
    stop_ = false;
    running_ = true;
    log_.AddNote(MonotonicUs(), "line " + link + " -> " + slavePath_ + ", boards at " +
                                    std::to_string(options_.boardBaud));
    thread_ = std::thread([this] { Run(); });
    return true;
}

void Simulator::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    Wake();
    thread_.join();
    line_->Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
    log_.AddNote(MonotonicUs(), "stopped");
    log_.CloseFile();
    running_ = false;
}

void Simulator::Wake() {
    if (wakeFd_ < 0) return;
    uint64_t one = 1;
    ssize_t n = ::write(wakeFd_, &one, sizeof one);
    (void)n;
}

void Simulator::Run() {
    // Timers of this thread fire when asked, not up to 50 us later: paced bytes leave on time.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    char buffer[4096];
    OutputQueue& out = impl_->out;
    auto logSent = [this](const char* data, size_t size) {
        log_.AddBytes(MonotonicUs(), LogKind::Sent, data, size);
    };
    while (!stop_) {
        if (vanishRequest_.exchange(false))
            Vanish("the line vanished", -1);
        else if (vanishPending_)
            Vanish("the line vanished", pendingReturnMs_);
        if (returnRequest_.exchange(false) || (returnDue_ && SimClock::now() >= *returnDue_))
            ReopenLine();
        int master = line_->IsOpen() ? line_->master() : -1;
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {master, 0, 0}};
        nfds_t count = 1;
        if (master >= 0) {
            fds[1].events = static_cast<short>(POLLIN | (out.Blocked() ? POLLOUT : 0));
            count = 2;
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (auto due = master >= 0 ? out.NextDue() : std::nullopt) {
            auto wait = *due - SimClock::now();
            if (out.LastPacedBytePending()) {
                // A timer wakes tens of microseconds late, and the host waits for exactly this
                // byte: sleep until shortly before it is due, then spin the rest.
                if (wait <= kSpinLead) {
                    while (SimClock::now() < *due) {
                    }
                    wait = SimClock::duration::zero();
                } else {
                    wait -= kSpinLead;
                }
            }
            if (wait.count() > 0) {
                auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
                timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
                timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            }
            timeoutPtr = &timeout;
        } else {
            log_.FlushFile();  // the line is quiet: a good time for the file's disk write
        }
        if (master < 0 && returnDue_) {
            auto wait = std::max(*returnDue_ - SimClock::now(), SimClock::duration::zero());
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            timeoutPtr = &timeout;
        }
        int ready = ppoll(fds, count, timeoutPtr, nullptr);
        if (ready < 0 && errno != EINTR) {
            CloseLine(std::string("poll failed: ") + std::strerror(errno));
            continue;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t value;
            ssize_t n = ::read(wakeFd_, &value, sizeof value);
            (void)n;
        }
        if (master < 0) continue;
        SimTime now = SimClock::now();
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                // The log stamps the bytes with the very instant their line time counts from.
                int64_t nowUs =
                    std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch())
                        .count();
                HandleInput(buffer, static_cast<size_t>(n), now, nowUs);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                CloseLine("the line failed on reading");
                continue;
            }
        } else if (ready > 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            CloseLine("the line hung up");
            continue;
        }
        if (!vanishPending_ && !out.Empty() && !out.WriteDue(master, SimClock::now(), logSent))
            CloseLine("the line failed on writing");
    }
}

void Simulator::HandleInput(const char* data, size_t size, SimTime now, int64_t nowUs) {
    uint32_t hostBaud = line_->HostBaud();
    hostBaud_ = hostBaud;
    size_t i = 0;
    while (i < size) {
        std::unique_lock lock(mu_);
        uint32_t boardBaud = network_->BoardBaud();
        double byteSeconds = pace_ ? 10.0 / boardBaud : 0.0;
        lock.unlock();
        if (hostBaud != boardBaud) {
            IgnoreInput(data + i, size - i, hostBaud, boardBaud, nowUs);
            return;
        }
        if (!ignoredPartial_.empty()) {
            log_.AddFrame({nowUs, ignoredPartial_, true, hostBaud});
            ignoredPartial_.clear();
        }
        auto byteTime = std::chrono::duration_cast<SimClock::duration>(
            std::chrono::duration<double>(byteSeconds));
        if (rxFree_ < now) rxFree_ = now;
        // Frame by frame, so the log reads each frame before what it caused, and a frame that
        // moves the boards to another rate is seen before the bytes after it.
        size_t segment = i;
        for (; i < size; ++i) {
            rxFree_ += byteTime;
            partial_ += data[i];
            if (data[i] == '\r') {
                log_.AddBytes(nowUs, LogKind::Received, data + segment, i + 1 - segment);
                segment = i + 1;
                std::string frame;
                frame.swap(partial_);
                // Recorded once handled, so a test that saw the frame arrive sees its effect too.
                HandleFrame(frame, rxFree_, now, nowUs);
                log_.AddFrame({nowUs, frame, false, hostBaud});
                if (vanishPending_) return;
                lock.lock();
                bool rateChanged = network_->BoardBaud() != boardBaud;
                lock.unlock();
                if (rateChanged) {
                    ++i;
                    break;
                }
            } else if (partial_.size() >= kMaxFrame) {
                log_.AddNote(nowUs, "input without CR dropped after " + std::to_string(kMaxFrame) +
                                        " bytes");
                partial_.clear();
            }
        }
        if (i > segment) log_.AddBytes(nowUs, LogKind::Received, data + segment, i - segment);
    }
}

void Simulator::IgnoreInput(const char* data, size_t size, uint32_t hostBaud, uint32_t boardBaud,
                            int64_t nowUs) {
    log_.AddBytes(nowUs, LogKind::Ignored, data, size);
    // Bytes at another rate reach the boards as noise: a frame in progress is lost too.
    if (!partial_.empty()) {
        log_.AddFrame({nowUs, partial_, true, hostBaud});
        partial_.clear();
    }
    for (size_t i = 0; i < size; ++i) {
        ignoredPartial_ += data[i];
        if (data[i] == '\r' || ignoredPartial_.size() >= kMaxFrame) {
            log_.AddFrame({nowUs, ignoredPartial_, true, hostBaud});
            log_.AddNote(nowUs, "ignored at " + std::to_string(hostBaud) + " baud (boards at " +
                                    std::to_string(boardBaud) +
                                    "): " + EscapeBytes(ignoredPartial_));
            ignoredPartial_.clear();
        }
    }
}

void Simulator::HandleFrame(const std::string& frame, SimTime complete, SimTime now,
                            int64_t nowUs) {
    // The text without CR; a LF left from a CR LF pair does not belong to the next frame.
    size_t begin = frame.find_first_not_of('\n');
    std::string text =
        begin == std::string::npos ? std::string() : frame.substr(begin, frame.size() - 1 - begin);
    std::unique_lock lock(mu_);
    // A unit loading its program takes every line as it comes, a stamp included.
    if (options_.stampedFrames && !network_->Loading()) text = WithoutTimeStamp(text);
    BoardUnit* unit = network_->Addressee(text);
    std::vector<Fault> fired =
        faults_.Empty() ? std::vector<Fault>{} : faults_.Fire(text, unit != nullptr);
    Reply reply;
    std::string note;
    bool answered = false;
    const Fault* error = nullptr;
    for (const auto& f : fired)
        if (f.kind == FaultKind::ErrorStatus && !error) error = &f;
    if (error) {
        reply.letter = unit->ReplyLetterFor(text);
        reply.digit = unit->address();
        reply.status = error->status;
        answered = true;
    } else {
        answered = network_->HandleFrame(text, now, reply, note);
    }
    bool stopOutput = network_->TakeStopOutput();
    uint32_t boardBaud = network_->BoardBaud();
    double byteSeconds = pace_ ? 10.0 / boardBaud : 0.0;
    lock.unlock();
    if (!note.empty() && note != "no such unit")
        log_.AddNote(nowUs, note + ": " + EscapeBytes(text));
    if (stopOutput && !impl_->out.Empty()) {
        impl_->out.DropPending(now);
        log_.AddNote(nowUs, "star command: what the boards were sending is dropped");
    }

    std::string line;
    int delayMs = 0;
    bool drop = !answered;
    for (const auto& f : fired) {
        log_.AddNote(nowUs, "fault " + FaultKindName(f.kind) + " on " + EscapeBytes(text));
        switch (f.kind) {
            case FaultKind::NoReply:
                drop = true;
                break;
            case FaultKind::LateReply:
                delayMs += f.delayMs;
                break;
            case FaultKind::WrongAddress:
                reply.digit = f.digit >= 0 ? f.digit : (reply.digit + 1) & 15;
                break;
            case FaultKind::Overlong:
                for (int i = 0; i < f.extra; ++i) reply.value += static_cast<char>('0' + i % 10);
                break;
            case FaultKind::OffBy:
                reply.value = ShiftLeadingNumber(reply.value, f.by);
                break;
            case FaultKind::Slow:
                byteSeconds = f.delayMs / 1000.0;
                break;
            case FaultKind::Vanish:
                vanishPending_ = true;
                pendingReturnMs_ = f.returnMs;
                drop = true;
                break;
            default:
                break;
        }
    }
    if (drop) return;
    line = reply.Line();
    for (const auto& f : fired) {
        if (f.kind == FaultKind::Garbage) line = f.text + "\r";
        if (f.kind == FaultKind::NoCarriageReturn && !line.empty() && line.back() == '\r')
            line.pop_back();
        if (f.kind == FaultKind::Cut) line = FirstLines(line, f.lines);
        if (f.kind == FaultKind::Noise) line = WithNoiseLines(line, f.text);
    }
    if (line.empty()) return;
    log_.AddReply(line);
    SimTime earliest = (byteSeconds > 0.0 ? complete : now) + std::chrono::milliseconds(delayMs);
    if (!impl_->out.Push(line, earliest, byteSeconds))
        log_.AddNote(nowUs, "answer dropped: the host reads nothing and the line is full");
}

void Simulator::CloseLine(const std::string& why) {
    vanishPending_ = false;
    if (line_->IsOpen()) {
        line_->Close();
        log_.AddNote(MonotonicUs(), why);
    }
    impl_->out.Clear();
    partial_.clear();
    ignoredPartial_.clear();
    {
        std::lock_guard lock(mu_);
        vanished_ = true;
    }
    vanishedCv_.notify_all();
}

void Simulator::Vanish(const std::string& why, int returnMs) {
    const int ms = returnMs >= 0 ? returnMs : options_.returnAfterMs;
    pendingReturnMs_ = -1;
    CloseLine(why);
    if (ms >= 0) {
        returnDue_ = SimClock::now() + std::chrono::milliseconds(ms);
        log_.AddNote(MonotonicUs(), "the line comes back in " + std::to_string(ms) + " ms");
    } else {
        returnDue_.reset();
    }
    vanishes_.fetch_add(1);
    vanishedCv_.notify_all();
}

void Simulator::ReopenLine() {
    returnDue_.reset();
    std::string error, link;
    uint32_t baud = 0;
    {
        std::lock_guard lock(mu_);
        link = linkPath_;
        baud = network_->BoardBaud();
    }
    bool back = line_->IsOpen();
    if (!back) {
        // A new pseudo-terminal behind the same link, as an adapter plugged in again gets a new
        // device behind the same name.
        back = line_->Open(baud, error) && line_->MakeLink(link, error);
        if (!back) {
            line_->Close();
            log_.AddNote(MonotonicUs(), "the line could not come back: " + error);
        } else {
            rxFree_ = SimTime{};
            log_.AddNote(MonotonicUs(),
                         "the line came back: " + link + " -> " + line_->slavePath());
        }
    }
    {
        std::lock_guard lock(mu_);
        if (back) {
            slavePath_ = line_->slavePath();
            vanished_ = false;
        }
        returnAttempts_.fetch_add(1);
    }
    if (back) returns_.fetch_add(1);
    vanishedCv_.notify_all();
}

void Simulator::VanishLine() {
    if (!running_ || vanished_) return;
    const int before = vanishes_.load();
    vanishRequest_ = true;
    Wake();
    std::unique_lock lock(mu_);
    vanishedCv_.wait_for(lock, std::chrono::seconds(2), [&] { return vanishes_.load() != before; });
}

bool Simulator::ReturnLine() {
    if (!running_) return false;
    if (!vanished_) return true;
    const int before = returnAttempts_.load();
    returnRequest_ = true;
    Wake();
    std::unique_lock lock(mu_);
    vanishedCv_.wait_for(lock, std::chrono::seconds(2),
                         [&] { return returnAttempts_.load() != before; });
    return !vanished_.load();
}

// --- the record of the line ---

std::vector<std::string> Simulator::ReceivedFrames() const {
    return log_.FrameTexts(false);
}
std::vector<std::string> Simulator::IgnoredFrames() const {
    return log_.FrameTexts(true);
}
std::vector<std::string> Simulator::SentReplies() const {
    return log_.Replies();
}
std::vector<FrameRecord> Simulator::Frames() const {
    return log_.Frames();
}
std::vector<LogEntry> Simulator::ByteLogEntries() const {
    return log_.Entries();
}
void Simulator::ClearLog() {
    log_.Clear();
}
bool Simulator::WaitForFrames(size_t count, int timeoutMs) const {
    return log_.WaitForFrames(count, timeoutMs);
}

// --- faults ---

int Simulator::AddFault(const Fault& fault) {
    std::lock_guard lock(mu_);
    return faults_.Add(fault);
}

int Simulator::AddFault(const std::string& rule, std::string* error) {
    std::string e;
    auto fault = ParseFault(rule, e);
    if (!fault) {
        if (error) *error = e;
        return 0;
    }
    return AddFault(*fault);
}

bool Simulator::RemoveFault(int id) {
    std::lock_guard lock(mu_);
    return faults_.Remove(id);
}

void Simulator::ClearFaults() {
    std::lock_guard lock(mu_);
    faults_.Clear();
}

std::vector<FaultEntry> Simulator::Faults() const {
    std::lock_guard lock(mu_);
    return faults_.Entries();
}

// --- units ---

std::vector<std::string> Simulator::UnitNames() const {
    std::lock_guard lock(mu_);
    std::vector<std::string> names;
    for (const auto& unit : network_->Units()) names.push_back(unit->Name());
    return names;
}

std::optional<MotorStatus> Simulator::GetMotor(const std::string& name) const {
    auto id = ParseMotorId(name);
    if (!id) return std::nullopt;
    std::lock_guard lock(mu_);
    const Motor* m = network_->FindMotor(*id);
    if (!m) return std::nullopt;
    SimTime now = SimClock::now();
    MotorStatus s;
    s.position = m->Position(now);
    s.target = m->Target();
    s.lastA = m->lastA;
    s.moving = m->Moving(now);
    s.fullStep = m->FullStep();
    s.physicalCounts = m->PhysicalCounts(now);
    s.speed = m->Speed();
    s.slip = m->Slip();
    return s;
}

bool Simulator::SetMotorSpeed(const std::string& name, double stepsPerSecond) {
    auto id = ParseMotorId(name);
    std::lock_guard lock(mu_);
    Motor* m = id ? network_->FindMotor(*id) : nullptr;
    if (m) m->SetSpeed(stepsPerSecond, SimClock::now());
    return m != nullptr;
}

bool Simulator::SetMotorPosition(const std::string& name, int64_t position) {
    auto id = ParseMotorId(name);
    std::lock_guard lock(mu_);
    Motor* m = id ? network_->FindMotor(*id) : nullptr;
    if (m) m->Redefine(position, SimClock::now());
    return m != nullptr;
}

std::optional<int64_t> Simulator::EncoderCount(int qboard, int channel) const {
    std::lock_guard lock(mu_);
    QBoard* q = network_->FindQBoard(qboard);
    if (!q || channel < 0 || channel > 1) return std::nullopt;
    return q->Count(channel, SimClock::now(), *network_);
}

bool Simulator::SetEncoderCount(int qboard, int channel, int64_t count) {
    std::lock_guard lock(mu_);
    QBoard* q = network_->FindQBoard(qboard);
    if (!q || channel < 0 || channel > 1) return false;
    EncoderChannel& ch = q->Channel(channel);
    if (ch.motor)
        ch.offset += count - q->Count(channel, SimClock::now(), *network_);
    else
        ch.count = count;
    return true;
}

bool Simulator::SetEncoderLink(const LinkConfig& link, std::string* error) {
    std::lock_guard lock(mu_);
    std::string e;
    bool ok = network_->SetLink(link, SimClock::now(), e);
    if (!ok && error) *error = e;
    return ok;
}

bool Simulator::UnlinkEncoder(int qboard, int channel) {
    std::lock_guard lock(mu_);
    QBoard* q = network_->FindQBoard(qboard);
    if (!q || channel < 0 || channel > 1) return false;
    q->Channel(channel) = EncoderChannel{};
    return true;
}

std::optional<std::string> Simulator::GetItem(const std::string& unit, int index) const {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    if (!u || index < 0 || index >= kInfoItemCount) return std::nullopt;
    return u->Item(index);
}

bool Simulator::SetItem(const std::string& unit, int index, const std::string& value) {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    if (!u || index < 0 || index >= kInfoItemCount) return false;
    u->SetItem(index, value);
    return true;
}

std::optional<std::vector<std::string>> Simulator::ProgramLines(const std::string& unit) const {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    if (!u) return std::nullopt;
    return u->Program().Lines();
}

bool Simulator::SetProgramLines(const std::string& unit, const std::vector<std::string>& lines) {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    return u && u->Program().SetLines(lines);
}

std::optional<uint32_t> Simulator::ProgramRunAddress(const std::string& unit) const {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    if (!u) return std::nullopt;
    return u->Program().RunAddress();
}

bool Simulator::ProgramLoading(const std::string& unit) const {
    std::lock_guard lock(mu_);
    BoardUnit* u = network_->FindUnit(unit);
    return u && u->Program().Loading();
}

// --- line ---

uint32_t Simulator::BoardBaud() const {
    std::lock_guard lock(mu_);
    return network_->BoardBaud();
}

bool Simulator::SetBoardBaud(uint32_t baud) {
    if (!IsBoardBaud(baud)) return false;
    std::lock_guard lock(mu_);
    network_->SetBoardBaud(baud);
    return true;
}

void Simulator::SetPacing(bool on) {
    std::lock_guard lock(mu_);
    pace_ = on;
}

bool Simulator::Pacing() const {
    std::lock_guard lock(mu_);
    return pace_;
}

}  // namespace vendra::sim
