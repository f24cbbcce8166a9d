// The one serial line through which the host talks to every board unit.
//
// Error rule: every operation but the waits returns failure (false, 0) at once while the port is
// not open; no operation throws. The only message this layer shows is the wait time-out box, and
// only while QuietWait is 0.
// Thread rule: one activity at a time uses the port (SystemBusy / TransactionActive); the object
// is not locked. Waits block in poll() on the port in short slices, processing GUI events between
// slices when called on the GUI thread; none spins a core and none can wait forever.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Operator.h"
#include "app/SystemState.h"

namespace vendra {

// Device for port number n: "COM<n>" in `folder` when that exists, otherwise /dev/ttyS<n-1>.
std::string DevicePathForPort(int portNumber, const std::string& folder = ".");
// The Windows device name: "COM%d" below 10, "\\.\COM%d" from 10.
std::string WindowsDeviceName(int portNumber);

class SerialPort {
public:
    SerialPort(SystemState& state, Operator& op);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool OpenPort(int portNumber, uint32_t baud);
    // Opens a device by path (the port-number rule applied by OpenPort ends here).
    bool OpenDevice(const std::string& path, uint32_t baud);
    void ClosePort();
    bool SetBaudRate(uint32_t baud);
    void PurgeInput();
    void PurgeBoth();
    bool WriteFrame(const char* text);
    bool WriteText(const char* text);
    // Reads one line up to CR into buffer (at most capacity-1 characters stored, NUL-terminated,
    // the rest of the line up to CR read and dropped). False when no CR came within 2000 ms.
    bool ReadReply(char* buffer, size_t capacity);
    uint8_t ReadByte();
    bool WaitForReply(uint32_t timeoutMs);
    // Waits until at least one byte is waiting or the time is up; never shows a message.
    bool WaitForInput(uint32_t timeoutMs);
    uint32_t InputQueueCount();
    bool OutputQueueEmpty();

private:
    SystemState& state_;
    Operator& op_;
    int fd_ = -1;
};

// The waiting helpers every long loop calls. PumpMessages processes GUI events when called on the
// GUI thread (one dispatch per 101 calls, as the counter rule says); DelayMs and DelaySeconds sleep
// in short slices and pump after each slice.
void PumpMessages(SystemState& state, Operator& op);
void DelayMs(SystemState& state, Operator& op, uint32_t ms);
void DelaySeconds(SystemState& state, Operator& op, uint32_t seconds);

}  // namespace vendra
