// The terminal's two line buffers: the characters typed since the last CR, and the received
// bytes cut into the lines the terminal shows.
//
// Received bytes are shown a line at a time: a line is read once at least four bytes wait (so a
// reply shorter than four bytes waits for more), up to its CR. A line whose CR does not come is
// shown with what has arrived one second after its last byte (a slow line still arriving is not
// cut), and a line longer than kMaxLineChars is shown in pieces of that length (one of exactly
// that length, then CR, is one line), so no line holds the terminal or grows without bound. Typed
// characters are kept until CR; a typed line that reaches kMaxLineChars goes out as it stands and
// the buffer starts again, so nothing typed is lost. Error rule: no failures; every buffer is
// bounded. Thread rule: one thread (the terminal's).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vendra {

class TerminalLines {
  public:
    static constexpr size_t kMaxLineChars = 3999;
    // A begun line is shown this long after its last byte, even without its CR.
    static constexpr uint32_t kPartialLineMs = 1000;
    // Bytes that must wait before a line is read.
    static constexpr size_t kLineStartBytes = 4;

    // A typed character (every one, backspace included). Returns what goes to the line now: the
    // whole line with its CR, or a full buffer; empty otherwise.
    std::string Type(char c);
    size_t TypedLength() const { return typed_.size(); }
    void ClearTyped() { typed_.clear(); }

    // Received bytes at `nowMs`; returns the lines now complete (without their CR).
    std::vector<std::string> Receive(const char* data, size_t size, uint64_t nowMs);
    // The lines due at `nowMs` without new bytes (a line whose CR is overdue).
    std::vector<std::string> Tick(uint64_t nowMs) { return Receive(nullptr, 0, nowMs); }
    // Milliseconds until a begun line is due without its CR; -1 when no line has begun.
    int64_t MsUntilDue(uint64_t nowMs) const;
    // Forgets everything received and not shown (the line is purged).
    void DiscardReceived();
    size_t WaitingBytes() const { return queue_.size() - queueHead_; }

  private:
    std::string typed_;
    std::string queue_;  // received, not yet taken into a line
    size_t queueHead_ = 0;
    bool reading_ = false;
    std::string line_;
    uint64_t lastByteMs_ = 0;  // when the begun line last received bytes
};

}  // namespace vendra
