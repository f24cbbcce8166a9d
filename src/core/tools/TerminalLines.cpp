#include "core/tools/TerminalLines.h"

namespace vendra {

std::string TerminalLines::Type(char c) {
    typed_ += c;
    if (c != '\r' && typed_.size() < kMaxLineChars) return {};
    std::string out;
    out.swap(typed_);
    return out;
}

std::vector<std::string> TerminalLines::Receive(const char* data, size_t size, uint64_t nowMs) {
    if (data != nullptr && size > 0) queue_.append(data, size);
    std::vector<std::string> lines;
    for (;;) {
        const size_t waiting = queue_.size() - queueHead_;
        if (!reading_) {
            if (waiting < kLineStartBytes) break;
            reading_ = true;
            line_.clear();
            lastByteMs_ = nowMs;
        }
        bool ended = false, full = false;
        if (queueHead_ < queue_.size()) lastByteMs_ = nowMs;  // the wait starts again
        while (queueHead_ < queue_.size()) {
            const char c = queue_[queueHead_];
            if (c == '\r') {
                ++queueHead_;
                ended = true;
                break;
            }
            // A full line waits for its next byte: a CR still ends it, anything else begins
            // the next piece.
            if (line_.size() >= kMaxLineChars) {
                full = true;
                break;
            }
            line_ += c;
            ++queueHead_;
        }
        if (ended) {
            lines.push_back(std::move(line_));
            line_.clear();
            reading_ = false;
            continue;
        }
        if (full) {  // the rest comes as the next piece
            lines.push_back(std::move(line_));
            line_.clear();
            continue;
        }
        // Everything received is in the line; its CR has not come.
        if (nowMs - lastByteMs_ >= kPartialLineMs) {
            if (!line_.empty()) lines.push_back(std::move(line_));
            line_.clear();
            reading_ = false;
        }
        break;
    }
    // What was taken is dropped from the queue now and then, not byte by byte.
    if (queueHead_ == queue_.size()) {
        queue_.clear();
        queueHead_ = 0;
    } else if (queueHead_ > 4096) {
        queue_.erase(0, queueHead_);
        queueHead_ = 0;
    }
    return lines;
}

int64_t TerminalLines::MsUntilDue(uint64_t nowMs) const {
    if (!reading_) return -1;
    const uint64_t age = nowMs - lastByteMs_;
    return age >= kPartialLineMs ? 0 : static_cast<int64_t>(kPartialLineMs - age);
}

void TerminalLines::DiscardReceived() {
    queue_.clear();
    queueHead_ = 0;
    reading_ = false;
    line_.clear();
}

}  // namespace vendra
