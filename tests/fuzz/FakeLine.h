// A serial device played from fuzz input, on the virtual clock (FuzzClock.cpp). After each frame
// the host writes, the next answers are taken from the input: each arrives after its own delay,
// and an answer may also be the line vanishing. Input format, per answer:
//   byte 0: bits 0-5 delay in 8 ms steps; bit 6: another answer to the same frame follows;
//           bit 7: the line vanishes after the delay (no bytes follow)
//   byte 1: length n, then n bytes (cut short where the input ends)
// The line records every frame written and the bytes the host read after each one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/serial/SerialDevice.h"

namespace vendra::fuzz {

uint64_t VirtualNowUs();
void AdvanceToUs(uint64_t us);

class FakeLine final : public SerialDevice {
  public:
    FakeLine(const uint8_t* answers, size_t size) : in_(answers), left_(size) {}

    bool Open(const std::string&, uint32_t, std::string&) override {
        open_ = true;
        return true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool SetBaud(uint32_t) override { return open_ && !Lost(); }
    void Purge(bool input, bool output) override;
    bool Write(const uint8_t* data, size_t size, uint32_t timeoutMs) override;
    long Read(uint8_t* data, size_t size) override;
    Wait WaitReadable(uint32_t timeoutMs) override;
    long InputCount() override;
    long OutputCount() override { return open_ && !Lost() ? 0 : -1; }
    bool Lost() const override { return VirtualNowUs() >= lostAtUs_; }

    const std::vector<std::string>& Frames() const { return frames_; }
    // What the host read after frame i (before frame i + 1).
    const std::vector<std::string>& ReadAfter() const { return readAfter_; }

  private:
    struct Byte {
        uint64_t atUs;
        char value;
    };
    void ScheduleAnswers();
    size_t Arrived() const;

    const uint8_t* in_;
    size_t left_;
    bool open_ = false;
    uint64_t lostAtUs_ = UINT64_MAX;
    std::vector<Byte> pending_;  // in order of arrival
    std::vector<std::string> frames_;
    std::vector<std::string> readAfter_{std::string()};
};

}  // namespace vendra::fuzz
