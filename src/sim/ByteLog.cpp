#include "sim/ByteLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "sim/Faults.h"

namespace vendra::sim {

int64_t MonotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

// A long run in a test process must not grow without bound: past this many records the older
// half goes (WaitForFrames counts on, so waiting is not affected).
constexpr size_t kMaxKept = 1000000;

template <typename T>
void Trim(std::vector<T>& records) {
    if (records.size() > kMaxKept) records.erase(records.begin(), records.begin() + kMaxKept / 2);
}

}  // namespace

ByteLog::~ByteLog() {
    CloseFile();
}

bool ByteLog::OpenFile(const std::string& path, std::string& error) {
    std::lock_guard lock(mu_);
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        error = "cannot write the log file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

void ByteLog::CloseFile() {
    std::lock_guard lock(mu_);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void ByteLog::WriteLine(int64_t timeUs, const char* tag, const std::string& text) {
    if (!file_) return;
    std::fprintf(file_, "%lld %s %s\n", static_cast<long long>(timeUs), tag, text.c_str());
    dirty_ = true;
}

void ByteLog::AddBytes(int64_t timeUs, LogKind kind, const char* data, size_t size) {
    std::lock_guard lock(mu_);
    if (file_)
        WriteLine(timeUs,
                  kind == LogKind::Sent      ? "TX"
                  : kind == LogKind::Ignored ? "IG"
                                             : "RX",
                  EscapeBytes(std::string(data, size)));
    if (keep_) {
        entries_.push_back({timeUs, kind, std::string(data, size)});
        Trim(entries_);
    }
}

void ByteLog::AddNote(int64_t timeUs, const std::string& text) {
    std::lock_guard lock(mu_);
    WriteLine(timeUs, "--", text);
    if (keep_) {
        entries_.push_back({timeUs, LogKind::Note, text});
        Trim(entries_);
    }
}

void ByteLog::AddFrame(const FrameRecord& frame) {
    {
        std::lock_guard lock(mu_);
        if (!frame.ignored) ++accepted_;
        if (keep_) {
            frames_.push_back(frame);
            Trim(frames_);
        }
    }
    if (!frame.ignored) cv_.notify_all();
}

void ByteLog::AddReply(const std::string& line) {
    std::lock_guard lock(mu_);
    if (keep_) {
        replies_.push_back(line);
        Trim(replies_);
    }
}

void ByteLog::FlushFile() {
    std::lock_guard lock(mu_);
    if (file_ && dirty_) std::fflush(file_);
    dirty_ = false;
}

std::vector<LogEntry> ByteLog::Entries() const {
    std::lock_guard lock(mu_);
    return entries_;
}

std::vector<FrameRecord> ByteLog::Frames() const {
    std::lock_guard lock(mu_);
    return frames_;
}

std::vector<std::string> ByteLog::FrameTexts(bool ignored) const {
    std::lock_guard lock(mu_);
    std::vector<std::string> texts;
    for (const auto& f : frames_)
        if (f.ignored == ignored) texts.push_back(f.text);
    return texts;
}

std::vector<std::string> ByteLog::Replies() const {
    std::lock_guard lock(mu_);
    return replies_;
}

void ByteLog::Clear() {
    std::lock_guard lock(mu_);
    entries_.clear();
    frames_.clear();
    replies_.clear();
    accepted_ = 0;
}

bool ByteLog::WaitForFrames(size_t count, int timeoutMs) const {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                        [&] { return accepted_ >= count; });
}

}  // namespace vendra::sim
