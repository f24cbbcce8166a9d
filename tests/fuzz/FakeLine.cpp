#include "FakeLine.h"

#include <algorithm>

namespace vendra::fuzz {

size_t FakeLine::Arrived() const {
    const uint64_t now = VirtualNowUs();
    size_t n = 0;
    while (n < pending_.size() && pending_[n].atUs <= now) ++n;
    return n;
}

void FakeLine::Purge(bool input, bool) {
    if (input && open_ && !Lost()) pending_.erase(pending_.begin(), pending_.begin() + Arrived());
}

void FakeLine::ScheduleAnswers() {
    const uint64_t now = VirtualNowUs();
    for (bool more = true; more && left_ > 0;) {
        const uint8_t head = *in_++;
        --left_;
        const uint64_t at = now + uint64_t(head & 0x3F) * 8000;
        more = (head & 0x40) != 0;
        if (head & 0x80) {
            lostAtUs_ = std::min(lostAtUs_, at);
            continue;
        }
        if (left_ == 0) return;
        size_t n = std::min<size_t>(*in_++, --left_);
        std::vector<Byte> answer;
        for (size_t i = 0; i < n; ++i) answer.push_back({at, static_cast<char>(in_[i])});
        in_ += n;
        left_ -= n;
        // Bytes leave the line in the order they are due; those due together keep their order.
        std::vector<Byte> merged;
        std::merge(pending_.begin(), pending_.end(), answer.begin(), answer.end(),
                   std::back_inserter(merged),
                   [](const Byte& a, const Byte& b) { return a.atUs < b.atUs; });
        pending_ = std::move(merged);
    }
}

bool FakeLine::Write(const uint8_t* data, size_t size, uint32_t) {
    if (!open_ || Lost()) return false;
    frames_.emplace_back(reinterpret_cast<const char*>(data), size);
    readAfter_.emplace_back();
    ScheduleAnswers();
    return true;
}

long FakeLine::Read(uint8_t* data, size_t size) {
    if (!open_ || Lost()) return -1;
    size_t n = std::min(size, Arrived());
    for (size_t i = 0; i < n; ++i) {
        data[i] = static_cast<uint8_t>(pending_[i].value);
        readAfter_.back() += pending_[i].value;
    }
    pending_.erase(pending_.begin(), pending_.begin() + n);
    return static_cast<long>(n);
}

SerialDevice::Wait FakeLine::WaitReadable(uint32_t timeoutMs) {
    if (!open_ || Lost()) return Wait::Lost;
    if (Arrived() > 0) return Wait::Ready;
    const uint64_t end = VirtualNowUs() + uint64_t{timeoutMs} * 1000;
    uint64_t next = pending_.empty() ? UINT64_MAX : pending_.front().atUs;
    if (lostAtUs_ <= end && lostAtUs_ <= next) {
        AdvanceToUs(lostAtUs_);
        return Wait::Lost;
    }
    if (next <= end) {
        AdvanceToUs(next);
        return Wait::Ready;
    }
    AdvanceToUs(end);
    return Wait::TimedOut;
}

long FakeLine::InputCount() {
    if (!open_ || Lost()) return -1;
    return static_cast<long>(Arrived());
}

}  // namespace vendra::fuzz
