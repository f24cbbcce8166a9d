// The QBoard encoder data-logger file. The runner opens, pauses and closes it; the board
// transaction writes readings into it. Thread rule: every operation takes the object's mutex, so
// Abort on the GUI thread and a transaction on the runner thread never meet inside the file.
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

    // Opens (creates) the file for writing; valuesPerLine is N (1..32). False when it cannot be
    // created.
    // With append, an existing file is continued instead of emptied (the runner resumes a file
    // it closed at the end of a run).
    bool Open(const std::string& path, int valuesPerLine, bool append = false);
    // Writes one reading when the logger is open and active ("%s," or "%s\n" by column).
    void WriteValue(const std::string& value);
    // Flushes and closes the file if open; QeLoggerOpen = QeLoggerActive = 0.
    void Close();

  private:
    QeLoggerState& state_;
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace vendra
