#include "sim/OutputQueue.h"

#include <unistd.h>

#include <cerrno>

namespace vendra::sim {

SimTime OutputQueue::Chunk::DueOf(size_t index) const {
    if (byteSeconds <= 0.0) return start;
    return start + std::chrono::duration_cast<SimClock::duration>(
                       std::chrono::duration<double>(byteSeconds * static_cast<double>(index + 1)));
}

bool OutputQueue::Push(std::string bytes, SimTime earliest, double byteSeconds) {
    if (bytes.empty()) return true;
    // The bound keeps answers from piling up for a host that reads nothing; one long answer (a
    // program listing) on an empty queue is taken whole.
    if (pending_ > 0 && pending_ + bytes.size() > kMaxPending) return false;
    Chunk c;
    c.start = earliest;
    c.byteSeconds = byteSeconds;
    if (byteSeconds > 0.0 && lineFree_ > c.start) c.start = lineFree_;
    c.bytes = std::move(bytes);
    if (byteSeconds > 0.0) lineFree_ = c.DueOf(c.bytes.size() - 1);
    pending_ += c.bytes.size();
    chunks_.push_back(std::move(c));
    return true;
}

bool OutputQueue::WriteDue(int fd, SimTime now,
                           const std::function<void(const char*, size_t)>& sending) {
    blocked_ = false;
    while (!chunks_.empty()) {
        Chunk& c = chunks_.front();
        // Bytes complete by now; the chunk's first byte also waits for its start (late answers).
        size_t due = c.bytes.size();
        if (c.byteSeconds > 0.0) {
            due = c.sent;
            while (due < c.bytes.size() && c.DueOf(due) <= now) ++due;
        } else if (c.start > now) {
            due = c.sent;
        }
        if (due == c.sent) return true;
        size_t want = due - c.sent;
        // Told before the write, so whoever reads the log after the host got the bytes finds
        // them there; each byte is told once, even if the pty takes it only later.
        if (due > c.told) {
            sending(c.bytes.data() + c.told, due - c.told);
            c.told = due;
        }
        ssize_t n = ::write(fd, c.bytes.data() + c.sent, want);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                blocked_ = errno == EAGAIN;
                return true;
            }
            return false;
        }
        c.sent += static_cast<size_t>(n);
        pending_ -= static_cast<size_t>(n);
        if (static_cast<size_t>(n) < want) {
            blocked_ = true;  // short write: the pty is full
            return true;
        }
        if (c.sent < c.bytes.size()) return true;  // the rest is not due yet
        chunks_.pop_front();
    }
    return true;
}

std::optional<SimTime> OutputQueue::NextDue() const {
    if (chunks_.empty() || blocked_) return std::nullopt;
    const Chunk& c = chunks_.front();
    return c.byteSeconds > 0.0 ? c.DueOf(c.sent) : c.start;
}

bool OutputQueue::LastPacedBytePending() const {
    if (chunks_.size() != 1 || blocked_) return false;
    const Chunk& c = chunks_.front();
    return c.byteSeconds > 0.0 && c.sent + 1 == c.bytes.size();
}

void OutputQueue::DropPending(SimTime now) {
    Clear();
    if (lineFree_ > now) lineFree_ = now;
}

void OutputQueue::Clear() {
    chunks_.clear();
    pending_ = 0;
    blocked_ = false;
}

}  // namespace vendra::sim
