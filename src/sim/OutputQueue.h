// The bytes the boards send, in order, each released at its time: at once, after a delay (a late
// answer), or paced at line speed (10 bits per byte at the boards' rate, one answer after the
// other). The simulator thread writes what is due and sleeps in poll() until the next byte is.
// Not thread-safe: simulator thread only.
#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "sim/Motor.h"

namespace vendra::sim {

class OutputQueue {
  public:
    // `byteSeconds` 0: all bytes at `earliest`; otherwise byte i is complete at
    // start + (i+1) * byteSeconds with start = max(earliest, end of the previous answer).
    // False (nothing queued) when bytes are waiting and these would make more than
    // `kMaxPending`; a long answer alone is taken whole.
    bool Push(std::string bytes, SimTime earliest, double byteSeconds);
    // Writes every due byte to `fd`; `sending` is told each byte once, just before it is first
    // written. Returns false when the fd failed (other than being full).
    bool WriteDue(int fd, SimTime now, const std::function<void(const char*, size_t)>& sending);
    // The time the next byte is due, if any is waiting and the fd is not full.
    std::optional<SimTime> NextDue() const;
    // True when the next due byte is paced and the last one queued: the one a waiting host
    // reads to, so the simulator releases it on time rather than at the timer's whim.
    bool LastPacedBytePending() const;
    bool Blocked() const { return blocked_; }
    bool Empty() const { return chunks_.empty(); }
    void Clear();
    // Drops every byte not yet written (the boards stop talking); the line is free from `now`.
    void DropPending(SimTime now);

    static constexpr size_t kMaxPending = 65536;

  private:
    struct Chunk {
        std::string bytes;
        size_t sent = 0;
        size_t told = 0;
        SimTime start;
        double byteSeconds = 0.0;
        SimTime DueOf(size_t index) const;  // when byte `index` is complete on the line
    };
    std::deque<Chunk> chunks_;
    size_t pending_ = 0;
    SimTime lineFree_{};
    bool blocked_ = false;
};

}  // namespace vendra::sim
