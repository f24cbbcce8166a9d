// A serial device in memory, for tests of the port layer without a pty: the test feeds what the
// boards would send, reads back what the host wrote, and makes the device misbehave the ways real
// ones do: writes that stall (no room ever comes), writes that take part of a frame and then
// stall, a transmit queue that never drains, and a device that goes away (EIO, a hang-up).
// Thread rule: the device side (SerialDevice) is used by the port's thread; the test side may be
// called from any thread, also while the port waits (a wait wakes when input is fed or the device
// is lost).
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/serial/SerialDevice.h"

namespace vendra::test {

class FakeSerialDevice final : public SerialDevice {
  public:
    // ---- SerialDevice ----
    bool Open(const std::string& path, uint32_t baud, std::string& error) override;
    void Close() override;
    bool IsOpen() const override;
    bool SetBaud(uint32_t baud) override;
    void Purge(bool input, bool output) override;
    bool Write(const uint8_t* data, size_t size, uint32_t timeoutMs) override;
    long Read(uint8_t* data, size_t size) override;
    Wait WaitReadable(uint32_t timeoutMs) override;
    long InputCount() override;
    long OutputCount() override;
    bool Lost() const override;

    // ---- the test's side ----
    // Bytes the boards send: they wait in the receive queue for the host.
    void Feed(const std::string& bytes);
    // Everything the host wrote since the last ClearWritten, in order.
    std::string Written() const;
    void ClearWritten();
    // While set, every write takes no byte and waits out its whole time-out.
    void StallWrites(bool stall);
    // Each write takes at most `bytes` bytes, then stalls for the rest (0: no limit).
    void LimitWrites(size_t bytes);
    // While set, written bytes stay in the transmit queue (a line held by flow control) until a
    // purge discards them; otherwise they leave at once.
    void HoldOutput(bool hold);
    // The device goes away: every later call reports it lost, until it is closed and reopened.
    void Lose();
    // The next Open fails with `error` ("" opens normally).
    void FailOpen(const std::string& error);
    // Every whole write (one that took all its bytes) is answered with `reply` ("": none).
    void AnswerWrites(const std::string& reply);
    // Calls the port made into the device since it was made, each a call into the system on a
    // real one: reads, waits for input, queue counts (input and output) and purges.
    struct Calls {
        int reads = 0, waits = 0, counts = 0, purges = 0;
    };
    Calls CallsMade() const;

    uint32_t Baud() const;
    std::string OpenedPath() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool lost_ = false;
    bool stall_ = false;
    size_t writeLimit_ = 0;
    bool holdOutput_ = false;
    long queuedOutput_ = 0;
    uint32_t baud_ = 0;
    std::string path_, openError_, input_, written_, answer_;
    Calls calls_;
};

}  // namespace vendra::test
