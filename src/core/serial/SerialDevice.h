// The operating system's side of the serial line: a raw 8N1 device without flow control. The
// port layer (SerialPort) holds every rule about frames, time-outs and waits and talks to the
// device only through this interface, so that a Win32 device can stand beside the POSIX one.
//
// Error rule: no call throws. Calls on a closed device fail (false, Lost, -1). A device that went
// away (hang-up, EIO, ENXIO, ENODEV) reports Lost from every later call until it is closed.
// Thread rule: one thread at a time; the port layer serialises use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vendra {

class SerialDevice {
  public:
    enum class Wait { Ready, TimedOut, Lost };

    virtual ~SerialDevice() = default;

    // Opens `path` exclusively and sets raw 8N1 at `baud`, no flow control. On failure the device
    // stays closed and `error` says why.
    virtual bool Open(const std::string& path, uint32_t baud, std::string& error) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool SetBaud(uint32_t baud) = 0;
    // Discards what is queued in either direction.
    virtual void Purge(bool input, bool output) = 0;
    // Writes every byte, waiting up to timeoutMs for room; false when not all went out.
    virtual bool Write(const uint8_t* data, size_t size, uint32_t timeoutMs) = 0;
    // Reads at most `size` bytes already received; never blocks. 0: nothing waiting; -1: lost.
    // Fewer than `size` means nothing more was waiting at that moment.
    virtual long Read(uint8_t* data, size_t size) = 0;
    // Blocks until input is waiting or timeoutMs passed (0: just look).
    virtual Wait WaitReadable(uint32_t timeoutMs) = 0;
    // Bytes waiting in the receive / transmit queue; -1 when the device is lost or closed.
    virtual long InputCount() = 0;
    virtual long OutputCount() = 0;
    // The device has gone away since it was opened.
    virtual bool Lost() const = 0;
    // The descriptor an event loop can watch for input; -1 when closed or there is none.
    virtual int Descriptor() const { return -1; }
};

// The device type of this platform.
std::unique_ptr<SerialDevice> MakePlatformSerialDevice();

}  // namespace vendra
