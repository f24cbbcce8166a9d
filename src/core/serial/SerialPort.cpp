#include "core/serial/SerialPort.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/base/Clock.h"

namespace vendra {

namespace {

constexpr const char* kCommErrorTitle = "VDWin Comm ERROR Message";

}  // namespace

std::string LocalPortPath(int portNumber, const std::string& folder) {
    std::string name = "COM" + std::to_string(portNumber);
    return (folder.empty() || folder == ".") ? name : folder + "/" + name;
}

std::string DevicePathForPort(int portNumber, const std::string& folder,
                              const std::string& systemPrefix) {
    return ResolvePortDevice(portNumber, folder, systemPrefix).path;
}

std::string PortDeviceReason(int portNumber, const PortDevice& device) {
    const std::string com = "COM" + std::to_string(portNumber);
    const std::string port = "port " + std::to_string(portNumber);
    switch (device.source) {
        case PortDeviceSource::FolderLink:
            return com + " in the working folder";
        case PortDeviceSource::Binding:
            return port + " is bound to it in Ports.cfg";
        case PortDeviceSource::SystemRule:
            return port + "'s system device: no " + com +
                   " in the working folder and no binding in Ports.cfg";
        case PortDeviceSource::SystemName:
            return "the system's " + com;
        case PortDeviceSource::Given:
            return "the device asked for";
        case PortDeviceSource::None:
            break;
    }
    return device.error;
}

PortDevice WithChosenDevice(const PortDevice& resolved, const std::string& chosen) {
    const bool bindingDecides = resolved.source == PortDeviceSource::Binding ||
                                resolved.source == PortDeviceSource::SystemRule;
    if (chosen.empty() || !bindingDecides) return resolved;
    return {chosen, PortDeviceSource::Binding, ""};
}

std::string WindowsDeviceName(int portNumber) {
    char name[32];
    std::snprintf(name, sizeof name, portNumber >= 10 ? "\\\\.\\COM%d" : "COM%d", portNumber);
    return name;
}

SerialPort::SerialPort(SerialState& state, Operator& op)
    : SerialPort(state, op, MakePlatformSerialDevice()) {}

SerialPort::SerialPort(SerialState& state, Operator& op, std::unique_ptr<SerialDevice> device)
    : state_(state), op_(op), device_(std::move(device)) {}

SerialPort::~SerialPort() {
    ClosePort();
}

uint32_t SerialPort::SliceUntil(uint64_t deadlineUs) const {
    const uint64_t now = TickUs();
    if (now >= deadlineUs) return 0;
    const uint64_t leftMs = (deadlineUs - now + 999) / 1000;
    // The GUI's events run between slices; a worker only looks at its stop request.
    const uint32_t slice = op_.PumpsEvents() ? kWaitSliceMs : kWorkerSliceMs;
    return static_cast<uint32_t>(std::min<uint64_t>(leftMs, slice));
}

bool SerialPort::IsOpen() const {
    return state_.PortOpen.load() == 1 && device_->IsOpen();
}

uint32_t SerialPort::LineBaud() const {
    uint32_t baud = state_.CurrentBaud.load();
    return baud == 0 ? 9600 : baud;
}

bool SerialPort::OpenPort(int portNumber, uint32_t baud) {
    state_.QuietWait = 0;
    state_.PortOpen = 0;
    PortDevice device = ResolvePortDevice(portNumber, folder_, systemPrefix_);
    if (device.path.empty()) {
        device_->Close();
        lastError_ = device.error;
        std::lock_guard<std::mutex> lock(pathMutex_);
        portDevice_ = std::move(device);
        return false;
    }
    return Open(std::move(device), baud);
}

bool SerialPort::OpenDevice(const std::string& path, uint32_t baud) {
    return Open({path, PortDeviceSource::Given, {}}, baud);
}

bool SerialPort::Open(PortDevice device, uint32_t baud) {
    state_.QuietWait = 0;
    state_.PortOpen = 0;
    device_->Close();
    std::string error;
    const std::string path = device.path;
    {
        std::lock_guard<std::mutex> lock(pathMutex_);
        portDevice_ = std::move(device);
    }
    if (!device_->Open(path, baud, error)) {
        lastError_ = error;
        return false;
    }
    lastError_.clear();
    lost_ = false;
    inputEmptyAtUs_ = 0;
    PurgeDevice(true, true);
    state_.PortOpen = 1;
    return true;
}

void SerialPort::ClosePort() {
    pending_.clear();
    if (device_->IsOpen()) {
        PurgeDevice(true, true);
        device_->Close();
    }
    state_.PortOpen = 0;
}

void SerialPort::HandleLost() {
    pending_.clear();
    bool wasOpen = device_->IsOpen();
    device_->Close();
    state_.PortOpen = 0;
    if (!wasOpen) return;
    lost_ = true;
    lastError_ = DevicePath() + " went away";
    if (lossHandler_ && lossHandler_()) return;
    // Reported once: the port is closed now, so later calls fail without a word.
    op_.ShowMessageBox("Communications Port lost (" + DevicePath() + ")\nTerminating procedure",
                       kCommErrorTitle, mb::Warning);
}

bool SerialPort::SetBaudRate(uint32_t baud) {
    if (!IsOpen()) return false;
    if (!device_->SetBaud(baud)) {
        if (device_->Lost()) HandleLost();
        return false;
    }
    state_.CurrentBaud = baud;
    return true;
}

void SerialPort::PurgeInput() {
    if (IsOpen()) PurgeDevice(true, false);
}

void SerialPort::PurgeBoth() {
    if (IsOpen()) PurgeDevice(true, true);
}

bool SerialPort::WriteFrame(const char* text, bool inputTaken) {
    if (!IsOpen() || text == nullptr) return false;
    PurgeDevice(!inputTaken, true);
    if (state_.TimeStampFrames.load() == 1) {
        char stamp[24];
        std::snprintf(stamp, sizeof stamp, "%lu : ", static_cast<unsigned long>(TickMs()));
        return Send(std::string(stamp) + text);
    }
    return Send(text);
}

bool SerialPort::WriteText(const char* text, bool inputTaken) {
    if (!IsOpen() || text == nullptr) return false;
    PurgeDevice(!inputTaken, true);
    return Send(text);
}

bool SerialPort::Send(const std::string& output) {
    // Room in the driver's buffer: generous against the line time of the frame.
    uint32_t writeBoundMs = 1000 + static_cast<uint32_t>(output.size() * 30000ull / LineBaud());
    const auto* bytes = reinterpret_cast<const uint8_t*>(output.data());
    uint32_t delay = state_.TransmitDelay.load();
    bool ok = true;
    if (delay == 0) {
        ok = device_->Write(bytes, output.size(), writeBoundMs);
    } else {
        for (size_t i = 0; ok && i < output.size(); ++i) {
            ok = device_->Write(bytes + i, 1, writeBoundMs);
            if (ok) DelayMs(op_, delay);
        }
    }
    if (!ok) {
        if (device_->Lost()) HandleLost();
        return false;
    }
    framesWritten_.fetch_add(1);
    if (drain_ == Drain::ByReply) {
        outputMayHoldBytes_ = true;  // until a reply, or the drain after none came
        return true;
    }
    return DrainOutput();
}

uint64_t SerialPort::LineTimeUs(size_t bytes) const {
    return static_cast<uint64_t>(bytes) * 10'000'000ull / LineBaud();
}

bool SerialPort::WriteRaw(const std::string& bytes) {
    if (!IsOpen()) return false;
    uint32_t writeBoundMs = 1000 + static_cast<uint32_t>(bytes.size() * 30000ull / LineBaud());
    if (!device_->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                        writeBoundMs)) {
        if (device_->Lost()) HandleLost();
        return false;
    }
    return DrainOutput();
}

long SerialPort::ReadAvailable(uint8_t* buffer, size_t capacity) {
    if (!IsOpen() || buffer == nullptr) return -1;
    long got = ReadInput(buffer, capacity);
    // Nothing read although input was signalled may be a hang-up: only a look at the line tells.
    if (got == 0 && device_->WaitReadable(0) == SerialDevice::Wait::Lost) got = -1;
    if (got < 0) {
        HandleLost();
        return -1;
    }
    return got;
}

bool SerialPort::DrainOutput() {
    outputMayHoldBytes_ = true;  // until the queue is seen empty
    long queued = device_->OutputCount();
    if (queued < 0) {
        HandleLost();
        return false;
    }
    // Three times the line time of what is queued, and a second more: generous, but bounded.
    uint64_t lineUs = static_cast<uint64_t>(queued) * 10'000'000ull / LineBaud();
    uint64_t deadline = TickUs() + 1'000'000ull + 3 * lineUs;
    while (queued > 0) {
        if (Stopping()) return false;
        uint32_t slice = SliceUntil(deadline);
        if (slice == 0) return false;
        // Sleep about as long as the queued bytes need, within one slice.
        uint64_t needMs = static_cast<uint64_t>(queued) * 10'000ull / LineBaud();
        SleepMs(static_cast<uint32_t>(std::clamp<uint64_t>(needMs, 1, slice)));
        op_.ProcessEvents();
        queued = device_->OutputCount();
        if (queued < 0) {
            HandleLost();
            return false;
        }
    }
    outputMayHoldBytes_ = false;
    return true;
}

SerialPort::Await SerialPort::AwaitInput(uint32_t timeoutMs) {
    uint64_t deadline = TickUs() + static_cast<uint64_t>(timeoutMs) * 1000;
    for (;;) {
        if (Stopping()) return Await::Aborted;
        if (!pending_.empty()) return Await::Ready;
        // The wait itself tells whether input is there: no count is asked before or after it,
        // which would cost every exchange two more calls into the system.
        const uint32_t slice = SliceUntil(deadline);
        switch (device_->WaitReadable(slice)) {
            case SerialDevice::Wait::Ready:
                return Await::Ready;
            case SerialDevice::Wait::Lost:
                return Await::Lost;
            case SerialDevice::Wait::TimedOut:
                break;
        }
        if (slice == 0) return Await::TimedOut;
        op_.ProcessEvents();
    }
}

bool SerialPort::WaitForInput(uint32_t timeoutMs) {
    if (!IsOpen()) return false;
    Await r = AwaitInput(timeoutMs);
    if (r == Await::Lost) HandleLost();
    return r == Await::Ready;
}

bool SerialPort::WaitForReply(uint32_t timeoutMs) {
    if (!IsOpen()) return false;
    bool drained = DrainOutput();
    if (!IsOpen() || Stopping()) return false;
    Await r = drained ? AwaitInput(timeoutMs) : Await::TimedOut;
    switch (r) {
        case Await::Ready:
            return true;
        case Await::Lost:
            HandleLost();
            return false;
        case Await::Aborted:
            return false;
        case Await::TimedOut:
            break;
    }
    if (state_.QuietWait.load() == 0)
        op_.ShowMessageBox("Wait Port Error\nTerminating procedure", kCommErrorTitle, mb::Warning);
    return false;
}

bool SerialPort::ReadReply(char* buffer, size_t capacity) {
    uint32_t baud = state_.CurrentBaud.load();
    return ReadLine(buffer, capacity, baud >= 230400 ? 15 : baud > 115200 ? 8 : 4, false);
}

bool SerialPort::ReadReplyLine(char* buffer, size_t capacity) {
    // Whole chunks, not a byte a call: the bytes past the CR are kept for the next read.
    return ReadLine(buffer, capacity, kReplyLineChunk, true);
}

std::string SerialPort::TakeWaitingInput(size_t limit) {
    std::string taken;
    if (!IsOpen()) return taken;
    uint8_t chunk[256];
    constexpr size_t kMostRead = 64 * 1024;
    size_t total = 0;
    // A read has just found the queue empty: nothing whole can have come since.
    if (pending_.empty() && inputEmptyAtUs_ != 0 && TickUs() - inputEmptyAtUs_ < LineTimeUs(1))
        return taken;
    // Bounded, so that a line that never stops sending cannot hold the caller here.
    while (total < kMostRead) {
        long got = ReadInput(chunk, sizeof chunk);
        if (got < 0) {
            HandleLost();
            return taken;
        }
        if (got == 0) break;
        size_t keep = std::min(static_cast<size_t>(got), limit - std::min(limit, taken.size()));
        taken.append(reinterpret_cast<const char*>(chunk), keep);
        total += static_cast<size_t>(got);
    }
    if (total >= kMostRead) PurgeDevice(true, false);
    return taken;
}

bool SerialPort::ReadLine(char* buffer, size_t capacity, size_t chunkSize, bool keepRest) {
    if (buffer == nullptr || capacity == 0) return false;
    buffer[0] = '\0';
    if (!IsOpen()) return false;
    const uint64_t deadline = TickUs() + kReplyLineMs * 1000ull;
    std::string text;
    char end = '\0';
    PieceEnd how = ReadPiece(
        "\r", {deadline, kReplyLineMs, capacity - 1, true, false, chunkSize, keepRest}, text, end);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return how == PieceEnd::Ended;
}

SerialPort::PieceEnd SerialPort::ReadPiece(std::string_view ends, const PieceLimits& limits,
                                           std::string& text, char& end) {
    text.clear();
    end = '\0';
    if (!IsOpen()) return PieceEnd::Closed;
    uint8_t chunk[kPieceChunk];
    const size_t chunkSize = std::clamp<size_t>(limits.chunk, 1, sizeof chunk);
    uint64_t deadline = limits.firstByteByUs;
    bool begun = false;
    for (;;) {
        if (Stopping()) return PieceEnd::Stopped;
        long got = ReadInput(chunk, chunkSize);
        if (got < 0) {
            HandleLost();
            return PieceEnd::Lost;
        }
        for (long i = 0; i < got; ++i) {
            const char c = static_cast<char>(chunk[i]);
            if (c == '\n' && limits.skipLf) continue;
            if (!begun) {
                begun = true;
                deadline = std::min<uint64_t>(deadline, TickUs() + limits.pieceMs * 1000ull);
            }
            if (ends.find(c) != std::string_view::npos) {
                // The rest of this chunk is kept for the next read, or dropped; later bytes stay
                // queued either way.
                if (limits.keepRest)
                    pending_.insert(0, reinterpret_cast<const char*>(chunk) + i + 1,
                                    static_cast<size_t>(got - i - 1));
                end = c;
                return PieceEnd::Ended;
            }
            if (text.size() < limits.maxChars) {
                text += c;
            } else if (!limits.dropOverflow) {
                if (limits.keepRest)
                    pending_.insert(0, reinterpret_cast<const char*>(chunk) + i + 1,
                                    static_cast<size_t>(got - i - 1));
                return PieceEnd::TooLong;
            }
        }
        // What the look-ahead still holds is read before the device is waited on; the device is
        // not read again before the wait, which returns at once when more has come.
        if (got > 0 && !pending_.empty()) continue;
        uint32_t slice = SliceUntil(deadline);
        if (slice == 0) return begun ? PieceEnd::Unended : PieceEnd::TimedOut;
        if (device_->WaitReadable(slice) == SerialDevice::Wait::Lost) {
            HandleLost();
            return PieceEnd::Lost;
        }
        op_.ProcessEvents();
    }
}

long SerialPort::ReadInput(uint8_t* buffer, size_t capacity) {
    if (pending_.empty()) {
        const long got = device_->Read(buffer, capacity);
        inputEmptyAtUs_ = got >= 0 && static_cast<size_t>(got) < capacity ? TickUs() : 0;
        return got;
    }
    size_t n = std::min(capacity, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    return static_cast<long>(n);
}

long SerialPort::InputCount() {
    long n = device_->InputCount();
    return n < 0 ? n : n + static_cast<long>(pending_.size());
}

void SerialPort::PurgeDevice(bool input, bool output) {
    if (input) pending_.clear();
    // Every write waits for its output to leave: only one whose wait failed can have left bytes
    // behind to discard.
    if (output && !outputMayHoldBytes_) output = false;
    if (input || output) device_->Purge(input, output);
    if (output) outputMayHoldBytes_ = false;
}

uint8_t SerialPort::ReadByte() {
    if (!IsOpen()) return 0;
    Await r = AwaitInput(kReadByteMs);
    if (r == Await::Lost) HandleLost();
    if (r != Await::Ready) return 0;
    uint8_t byte = 0;
    long got = ReadInput(&byte, 1);
    if (got < 0) HandleLost();
    return got == 1 ? byte : 0;
}

uint32_t SerialPort::InputQueueCount() {
    if (!IsOpen()) return 0;
    long n = InputCount();
    if (n < 0) {
        HandleLost();
        return 0;
    }
    return static_cast<uint32_t>(n);
}

bool SerialPort::OutputQueueEmpty() {
    if (!IsOpen()) return false;
    long n = device_->OutputCount();
    if (n < 0) {
        HandleLost();
        return false;
    }
    return n == 0;
}

}  // namespace vendra
