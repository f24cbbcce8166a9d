// The serial device on Windows: a plain (non-overlapped) COM handle, raw 8N1, no flow control,
// DTR and RTS not driven.
//
// Waiting for input without taking it: a one-byte read whose total time-out is the wait (interval
// and multiplier 0), so it returns as soon as a byte has come or the time is up; the byte is kept
// and handed out first by the next Read. Reading what is there without waiting uses the
// "return at once" time-outs (interval MAXDWORD, the rest 0). The all-zero setting, which would
// wait forever, is never used. ClearCommError gives the queue counts; its failure means the
// device has gone away (a USB adapter pulled out, the far end of an emulated port closed).
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/serial/DeviceAccess.h"
#include "core/serial/SerialDevice.h"
#include "core/serial/SerialPort.h"

namespace vendra {

namespace {

bool IsSupportedRate(uint32_t baud) {
    switch (baud) {
        case 1200:
        case 2400:
        case 4800:
        case 9600:
        case 19200:
        case 38400:
        case 57600:
        case 115200:
        case 230400:
        case 460800:
        case 921600:
            return true;
        default:
            return false;
    }
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // device names are plain ASCII
}

std::string SystemText(DWORD error) {
    char text[256] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               error, 0, text, sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    if (s.empty()) s = "system error " + std::to_string(error);
    return s;
}

// Why a port could not be opened, in words that say what to do about it.
std::string OpenErrorText(const std::string& path, DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return path +
                   ": no such device (is the adapter plugged in, and the port number right?)";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            // A COM port opens once: a second opener is refused this way.
            return path + " is busy: another program holds it";
        default:
            return path + ": " + SystemText(error);
    }
}

class Win32SerialDevice final : public SerialDevice {
  public:
    ~Win32SerialDevice() override { Close(); }

    bool Open(const std::string& path, uint32_t baud, std::string& error) override {
        Close();
        if (!IsSupportedRate(baud)) {
            error = "unsupported baud rate " + std::to_string(baud);
            return false;
        }
        // No sharing: the port is ours alone while open.
        HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = OpenErrorText(path, ::GetLastError());
            return false;
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (::GetFileType(h) != FILE_TYPE_CHAR || !::GetCommState(h, &dcb)) {
            error = path + " is not a serial device";
            ::CloseHandle(h);
            return false;
        }
        handle_ = h;
        lost_ = false;
        ahead_ = -1;
        timeoutsSet_ = false;
        if (!ApplyLine(baud)) {
            error = path + ": cannot apply line settings: " + SystemText(::GetLastError());
            Close();
            return false;
        }
        ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
        return true;
    }

    void Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        lost_ = false;
        ahead_ = -1;
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    bool SetBaud(uint32_t baud) override {
        if (!Usable() || !IsSupportedRate(baud)) return false;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(handle_, &dcb)) return Failed();
        dcb.BaudRate = baud;
        if (!::SetCommState(handle_, &dcb)) return Failed();
        return true;
    }

    void Purge(bool input, bool output) override {
        if (!Usable()) return;
        // As on every device: only bytes the driver still holds are discarded, and an emulated
        // port's transmit queue may hold bytes that have in fact left.
        if (output && OutputCount() <= 0) output = false;
        if (input) ahead_ = -1;
        DWORD flags = (input ? PURGE_RXCLEAR : 0) | (output ? PURGE_TXCLEAR : 0);
        if (flags != 0) ::PurgeComm(handle_, flags);
    }

    bool Write(const uint8_t* data, size_t size, uint32_t timeoutMs) override {
        if (!Usable()) return false;
        // The whole write within timeoutMs (never 0: that would mean no limit at all).
        if (!SetTimeouts(MAXDWORD, 0, 0, std::max<uint32_t>(timeoutMs, 1))) return Failed();
        size_t done = 0;
        while (done < size) {
            DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(handle_, data + done, piece, &written, nullptr)) return Failed();
            if (written == 0) return false;  // the time was up: the output does not drain
            done += written;
        }
        return true;
    }

    long Read(uint8_t* data, size_t size) override {
        if (!Usable()) return -1;
        if (size == 0) return 0;
        size_t got = 0;
        if (ahead_ >= 0) {
            data[got++] = static_cast<uint8_t>(ahead_);
            ahead_ = -1;
            if (got == size) return 1;
        }
        // Only what has arrived: these time-outs make the read return at once.
        DWORD want = static_cast<DWORD>(std::min<size_t>(size - got, 1u << 20));
        DWORD n = 0;
        if (!SetTimeouts(MAXDWORD, 0, 0, timeouts_.WriteTotalTimeoutConstant) ||
            !::ReadFile(handle_, data + got, want, &n, nullptr)) {
            Failed();
            if (got > 0) return static_cast<long>(got);
            return lost_ ? -1 : 0;
        }
        return static_cast<long>(got + n);
    }

    Wait WaitReadable(uint32_t timeoutMs) override {
        if (!Usable()) return Wait::Lost;
        if (ahead_ >= 0) return Wait::Ready;
        long queued = QueuedInput();
        if (queued < 0) return Wait::Lost;
        if (queued > 0) return Wait::Ready;
        if (timeoutMs == 0) return Wait::TimedOut;
        // One byte or the time-out, whichever comes first; the byte is kept for Read.
        if (!SetTimeouts(0, 0, timeoutMs, timeouts_.WriteTotalTimeoutConstant)) {
            Failed();
            return lost_ ? Wait::Lost : Wait::TimedOut;
        }
        uint8_t byte = 0;
        DWORD n = 0;
        if (!::ReadFile(handle_, &byte, 1, &n, nullptr)) {
            Failed();
            return lost_ ? Wait::Lost : Wait::TimedOut;
        }
        if (n == 1) {
            ahead_ = byte;
            return Wait::Ready;
        }
        // Nothing came: a device that went away also reads nothing, so look at it.
        return QueuedInput() < 0 ? Wait::Lost : Wait::TimedOut;
    }

    long InputCount() override {
        if (!Usable()) return -1;
        long queued = QueuedInput();
        if (queued < 0) return -1;
        return queued + (ahead_ >= 0 ? 1 : 0);
    }

    long OutputCount() override {
        if (!Usable()) return -1;
        COMSTAT stat{};
        DWORD errors = 0;
        if (!::ClearCommError(handle_, &errors, &stat)) {
            lost_ = true;
            return -1;
        }
        return static_cast<long>(stat.cbOutQue);
    }

    bool Lost() const override { return lost_; }

  private:
    bool Usable() const { return handle_ != INVALID_HANDLE_VALUE && !lost_; }

    // Bytes in the driver's receive queue; -1 (and lost) when the device no longer answers.
    long QueuedInput() {
        COMSTAT stat{};
        DWORD errors = 0;
        if (!::ClearCommError(handle_, &errors, &stat)) {
            lost_ = true;
            return -1;
        }
        return static_cast<long>(stat.cbInQue);
    }

    // A call failed: the device is lost when it no longer answers at all. Returns false.
    bool Failed() {
        DWORD error = ::GetLastError();
        if (error != ERROR_OPERATION_ABORTED) QueuedInput();
        return false;
    }

    bool ApplyLine(uint32_t baud) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(handle_, &dcb)) return false;
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(handle_, &dcb)) return false;
        return SetTimeouts(MAXDWORD, 0, 0, 1000);
    }

    // Changes the time-outs only when they differ from those in force (each change is a call
    // into the driver).
    bool SetTimeouts(DWORD interval, DWORD multiplier, DWORD total, DWORD writeTotal) {
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = interval;
        t.ReadTotalTimeoutMultiplier = multiplier;
        t.ReadTotalTimeoutConstant = total;
        t.WriteTotalTimeoutMultiplier = 0;
        t.WriteTotalTimeoutConstant = writeTotal;
        if (timeoutsSet_ && t.ReadIntervalTimeout == timeouts_.ReadIntervalTimeout &&
            t.ReadTotalTimeoutMultiplier == timeouts_.ReadTotalTimeoutMultiplier &&
            t.ReadTotalTimeoutConstant == timeouts_.ReadTotalTimeoutConstant &&
            t.WriteTotalTimeoutConstant == timeouts_.WriteTotalTimeoutConstant)
            return true;
        if (!::SetCommTimeouts(handle_, &t)) {
            timeoutsSet_ = false;
            return false;
        }
        timeouts_ = t;
        timeoutsSet_ = true;
        return true;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool lost_ = false;
    int ahead_ = -1;  // a byte taken by WaitReadable, not yet read
    COMMTIMEOUTS timeouts_{};
    bool timeoutsSet_ = false;
};

}  // namespace

PortDevice ResolvePortDevice(int portNumber, const std::string&, const std::string&) {
    if (portNumber < 1)
        return {
            {}, PortDeviceSource::None, "no device for port number " + std::to_string(portNumber)};
    return {WindowsDeviceName(portNumber), PortDeviceSource::SystemName, {}};
}

int DeviceAccessError(const std::string&) {
    return 0;  // a COM port's rights show only when it is opened
}

std::string DeviceOpenErrorText(const std::string& path, int error) {
    return OpenErrorText(path, static_cast<DWORD>(error));
}

std::unique_ptr<SerialDevice> MakePlatformSerialDevice() {
    return std::make_unique<Win32SerialDevice>();
}

}  // namespace vendra
