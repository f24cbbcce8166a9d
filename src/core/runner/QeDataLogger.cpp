#include "core/runner/QeDataLogger.h"

namespace vendra {

bool QeDataLogger::Open(const std::string& path, int valuesPerLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
        std::fflush(file_);
        std::fclose(file_);
        file_ = nullptr;
    }
    // Binary: the CR LF line ends are written as they are on every system.
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        state_.QeLoggerOpen = 0;
        state_.QeLoggerActive = 0;
        return false;
    }
    state_.QeValuesPerLine = valuesPerLine - 1;
    state_.QeColumn = 0;
    state_.QeLoggerOpen = 1;
    state_.QeLoggerActive = 1;
    return true;
}

void QeDataLogger::WriteValue(const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    QeLoggerState& run = state_;
    if (!file_ || !run.QeLoggerOpen.load() || !run.QeLoggerActive.load()) return;
    int column = run.QeColumn.load();
    if (column < run.QeValuesPerLine.load()) {
        std::fprintf(file_, "%s,", value.c_str());
        run.QeColumn = column + 1;
    } else {
        std::fprintf(file_, "%s\r\n", value.c_str());
        run.QeColumn = 0;
    }
}

void QeDataLogger::Flush() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) std::fflush(file_);
}

void QeDataLogger::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
        std::fflush(file_);
        std::fclose(file_);
        file_ = nullptr;
    }
    state_.QeLoggerOpen = 0;
    state_.QeLoggerActive = 0;
}

}  // namespace vendra
