// The QBoard encoder data-logger file. The runner opens, pauses and closes it; the board
// transaction writes readings into it. The file stays open from its enable line until a disable
// line, end_program, Abort or the program's exit closes it, across runs; the runner flushes it
// when a run ends, so nothing read is held back in a buffer. Lines end in CR LF.
// Error rule: Open returns false when the file cannot be created; writes to a file that fails
// later are dropped (the stream's error state), nothing throws.
// Thread rule: every operation takes the object's mutex, so Abort or exit on the GUI thread and
// a transaction on the runner thread never meet inside the file.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace vendra {

// The logger's flags, part of the run state (the status display and the runner read them).
struct QeLoggerState {
    std::atomic<uint32_t> QeLoggerOpen{0};
    std::atomic<uint32_t> QeLoggerActive{0};
    std::atomic<int32_t> QeValuesPerLine{0};
    std::atomic<int32_t> QeColumn{0};
};

class QeDataLogger {
  public:
    explicit QeDataLogger(QeLoggerState& state) : state_(state) {}
    ~QeDataLogger() { Close(); }

    // Creates (empties) the file; valuesPerLine is N (at least 1). False when it cannot be
    // created.
    bool Open(const std::string& path, int valuesPerLine);
    // Writes one reading when the logger is open and active ("%s," or "%s\r\n" by column).
    void WriteValue(const std::string& value);
    // Hands what is buffered to the file; the logger stays as it is.
    void Flush();
    // Flushes and closes the file if open; QeLoggerOpen = QeLoggerActive = 0.
    void Close();

  private:
    QeLoggerState& state_;
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace vendra
