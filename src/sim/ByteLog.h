// The simulator's record of the line: every byte received and sent with its time (microseconds
// on the monotonic clock), the frames received (split at CR, marked when they were ignored for a
// baud-rate mismatch), the answers sent, and notes. Kept in memory for tests and optionally
// written to a file (buffered; flushed when the line goes quiet and at stop).
// Thread rule: every member is safe from any thread.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace vendra::sim {

enum class LogKind { Received, Ignored, Sent, Note };

struct LogEntry {
    int64_t timeUs = 0;
    LogKind kind = LogKind::Note;
    std::string bytes;  // the bytes, or the note's text
};

struct FrameRecord {
    int64_t timeUs = 0;
    std::string text;  // with its CR
    bool ignored = false;
    uint32_t hostBaud = 0;  // the rate the host had set when the bytes arrived
};

// Microseconds on the monotonic clock.
int64_t MonotonicUs();

class ByteLog {
  public:
    explicit ByteLog(bool keepInMemory = true) : keep_(keepInMemory) {}
    ~ByteLog();
    ByteLog(const ByteLog&) = delete;
    ByteLog& operator=(const ByteLog&) = delete;

    bool OpenFile(const std::string& path, std::string& error);
    void CloseFile();

    void AddBytes(int64_t timeUs, LogKind kind, const char* data, size_t size);
    void AddNote(int64_t timeUs, const std::string& text);
    void AddFrame(const FrameRecord& frame);
    void AddReply(const std::string& line);
    void FlushFile();

    std::vector<LogEntry> Entries() const;
    std::vector<FrameRecord> Frames() const;
    std::vector<std::string> FrameTexts(bool ignored) const;
    std::vector<std::string> Replies() const;
    void Clear();
    // Waits until at least `count` frames were accepted since the last Clear.
    bool WaitForFrames(size_t count, int timeoutMs) const;

  private:
    void WriteLine(int64_t timeUs, const char* tag, const std::string& text);

    const bool keep_;
    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    std::vector<LogEntry> entries_;
    std::vector<FrameRecord> frames_;
    std::vector<std::string> replies_;
    size_t accepted_ = 0;
    FILE* file_ = nullptr;
    bool dirty_ = false;
};

}  // namespace vendra::sim
