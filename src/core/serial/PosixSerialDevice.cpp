// The serial device on POSIX termios: raw 8N1, no flow control, non-blocking descriptor, waits in
// poll(). Modem-line ioctls that a device does not support (a pty answers ENOTTY) are skipped.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "core/base/PlatformFiles.h"
#include "core/serial/DeviceAccess.h"
#include "core/serial/PortBindings.h"
#include "core/serial/SerialDevice.h"
#include "core/serial/SerialPort.h"

namespace vendra {

namespace {

speed_t SpeedFor(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
#ifdef B460800
        case 460800:
            return B460800;
#endif
#ifdef B921600
        case 921600:
            return B921600;
#endif
        default:
            return B0;
    }
}

// Errors that mean the device itself is gone, as opposed to "try again".
bool IsLossError(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
}

// Why a device could not be opened, in words that say what to do about it.
std::string OpenErrorText(const std::string& path, int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return path +
                   ": no such device (is the adapter plugged in, and the port number right?)";
        case ENXIO:
        case ENODEV:
            return path + ": no such device (the device file exists, but no port answers to it)";
        case EACCES:
        case EPERM: {
            struct stat st {};
            std::string owner = "dialout";
            if (::stat(path.c_str(), &st) == 0)
                if (const struct group* g = ::getgrgid(st.st_gid)) owner = g->gr_name;
            return path + ": permission denied; the user must be in the group that owns the " +
                   "device (" + owner + "), e.g. sudo usermod -aG " + owner +
                   " $USER, then log in again";
        }
        case EBUSY:
            return path + " is busy: another program holds it";
        default:
            return path + ": " + std::strerror(err);
    }
}

uint64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class PosixSerialDevice final : public SerialDevice {
  public:
    ~PosixSerialDevice() override { Close(); }

    bool Open(const std::string& path, uint32_t baud, std::string& error) override {
        Close();
        speed_t speed = SpeedFor(baud);
        if (speed == B0) {
            error = "unsupported baud rate " + std::to_string(baud);
            return false;
        }
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = OpenErrorText(path, errno);
            return false;
        }
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {
            error = path + " is not a serial device";
            ::close(fd);
            return false;
        }
        // Exclusive use: TIOCEXCL keeps other openers out, the lock keeps out another host
        // program even when it runs with privileges that ignore TIOCEXCL.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            error = path + " is busy: another program holds it";
            ::close(fd);
            return false;
        }
        ::ioctl(fd, TIOCEXCL);
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            error = path + ": cannot apply line settings: " + std::strerror(errno);
            ::ioctl(fd, TIOCNXCL);
            ::close(fd);
            return false;
        }
        // DTR and RTS are not driven. Devices without modem lines refuse this; that is fine.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &lines);
        ::tcflush(fd, TCIOFLUSH);
        fd_ = fd;
        lost_ = false;
        return true;
    }

    void Close() override {
        if (fd_ < 0) return;
        // The exclusive flag outlives this descriptor when another holds the device open (the
        // simulator keeps its own end); clear it so the port can be opened again.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
        lost_ = false;
    }

    bool IsOpen() const override { return fd_ >= 0; }

    bool SetBaud(uint32_t baud) override {
        speed_t speed = SpeedFor(baud);
        if (fd_ < 0 || lost_ || speed == B0) return false;
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail(errno);
        return true;
    }

    void Purge(bool input, bool output) override {
        if (fd_ < 0 || lost_) return;
        // Only bytes the driver still holds are discarded. On a pty the transmit queue always
        // reads empty and flushing it would throw away what the far end has not read yet: bytes
        // that have in fact left.
        int queued = 0;
        if (output && (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0)) output = false;
        if (!(input || output)) return;
        ::tcflush(fd_, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
    }

    bool Write(const uint8_t* data, size_t size, uint32_t timeoutMs) override {
        if (fd_ < 0 || lost_) return false;
        uint64_t deadline = NowMs() + timeoutMs;
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd_, data + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
            uint64_t now = NowMs();
            if (now >= deadline) return false;
            pollfd p{fd_, POLLOUT, 0};
            int r = ::poll(&p, 1, static_cast<int>(deadline - now));
            if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                lost_ = true;
                return false;
            }
        }
        return true;
    }

    long Read(uint8_t* data, size_t size) override {
        if (fd_ < 0 || lost_) return -1;
        if (size == 0) return 0;
        ssize_t n = ::read(fd_, data, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
        NoteError(errno);
        return lost_ ? -1 : 0;
    }

    Wait WaitReadable(uint32_t timeoutMs) override {
        if (fd_ < 0 || lost_) return Wait::Lost;
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(timeoutMs));
        if (r < 0) {
            NoteError(errno);
            return lost_ ? Wait::Lost : Wait::TimedOut;
        }
        if (r == 0) return Wait::TimedOut;
        // A hang-up is final even when input is still flagged: such a device reads nothing
        // more, and reporting Ready would let the caller spin.
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            lost_ = true;
            return Wait::Lost;
        }
        return (p.revents & POLLIN) ? Wait::Ready : Wait::TimedOut;
    }

    long InputCount() override {
        if (fd_ < 0 || lost_) return -1;
        int count = 0;
        if (::ioctl(fd_, FIONREAD, &count) != 0) return FailCount(errno);
        return count;
    }

    long OutputCount() override {
        if (fd_ < 0 || lost_) return -1;
        int count = 0;
        // Not every device reports its transmit queue; such a queue counts as empty.
        if (::ioctl(fd_, TIOCOUTQ, &count) != 0) return FailCount(errno);
        return count;
    }

    bool Lost() const override { return lost_; }
    int Descriptor() const override { return lost_ ? -1 : fd_; }

  private:
    void NoteError(int err) {
        if (IsLossError(err)) lost_ = true;
    }
    bool Fail(int err) {
        NoteError(err);
        return false;
    }
    long FailCount(int err) {
        NoteError(err);
        return lost_ ? -1 : 0;
    }

    int fd_ = -1;
    bool lost_ = false;
};

}  // namespace

PortDevice ResolvePortDevice(int portNumber, const std::string& folder,
                             const std::string& systemPrefix) {
    if (portNumber < 1)
        return {
            {}, PortDeviceSource::None, "no device for port number " + std::to_string(portNumber)};
    std::string local = LocalPortPath(portNumber, folder);
    if (EntryExists(local)) return {local, PortDeviceSource::FolderLink, {}};
    std::vector<PortBinding> bindings;
    std::string error;
    if (!ReadPortBindings(folder, bindings, error)) return {{}, PortDeviceSource::None, error};
    if (std::string bound; BoundDevice(bindings, portNumber, bound))
        return {bound, PortDeviceSource::Binding, {}};
    return {systemPrefix + std::to_string(portNumber - 1), PortDeviceSource::SystemRule, {}};
}

int DeviceAccessError(const std::string& path) {
    return ::access(path.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
}

std::string DeviceOpenErrorText(const std::string& path, int error) {
    return OpenErrorText(path, error);
}

std::unique_ptr<SerialDevice> MakePlatformSerialDevice() {
    return std::make_unique<PosixSerialDevice>();
}

}  // namespace vendra
