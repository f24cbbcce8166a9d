#include "sim/PtyLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vendra::sim {

namespace {

struct SpeedPair {
    speed_t speed;
    uint32_t baud;
};
const SpeedPair kSpeeds[] = {
    {B50, 50},         {B75, 75},         {B110, 110},        {B134, 134},       {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},        {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},      {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400},  {B460800, 460800}, {B500000, 500000},
    {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}};

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

std::string ReadLink(const std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

}  // namespace

uint32_t BaudFromSpeed(speed_t speed) {
    for (const auto& s : kSpeeds)
        if (s.speed == speed) return s.baud;
    return 0;
}

speed_t SpeedFromBaud(uint32_t baud) {
    for (const auto& s : kSpeeds)
        if (s.baud == baud) return s.speed;
    return B0;
}

bool PtyLine::Open(uint32_t initialBaud, std::string& error) {
    Close();
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0) {
        error = Errno("posix_openpt");
        return false;
    }
    char name[128];
    if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
        error = Errno("grantpt/unlockpt/ptsname");
        ::close(m);
        return false;
    }
    // A fresh pty echoes and turns CR into NL: make it raw before anyone sees it.
    termios t{};
    if (tcgetattr(m, &t) != 0) {
        error = Errno("tcgetattr");
        ::close(m);
        return false;
    }
    cfmakeraw(&t);
    speed_t speed = SpeedFromBaud(initialBaud);
    if (speed != B0) cfsetspeed(&t, speed);
    if (tcsetattr(m, TCSANOW, &t) != 0) {
        error = Errno("tcsetattr");
        ::close(m);
        return false;
    }
    int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        error = Errno("open slave");
        ::close(m);
        return false;
    }
    int flags = fcntl(m, F_GETFL);
    fcntl(m, F_SETFL, flags | O_NONBLOCK);
    master_ = m;
    slave_ = s;
    slavePath_ = name;
    return true;
}

bool PtyLine::MakeLink(const std::string& linkPath, std::string& error) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        std::string target = ReadLink(linkPath);
        struct stat alive {};
        bool dangling = S_ISLNK(st.st_mode) && stat(linkPath.c_str(), &alive) != 0;
        bool oldPty = S_ISLNK(st.st_mode) && target.rfind("/dev/pts/", 0) == 0;
        if (!dangling && !oldPty) {
            error = linkPath + " exists and is not a link left by a simulator; not replaced";
            return false;
        }
        if (unlink(linkPath.c_str()) != 0 && errno != ENOENT) {
            error = Errno(("remove " + linkPath).c_str());
            return false;
        }
    }
    if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        error = Errno(("link " + linkPath).c_str());
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void PtyLine::RemoveLink() {
    if (linkPath_.empty()) return;
    if (ReadLink(linkPath_) == slavePath_) unlink(linkPath_.c_str());
    linkPath_.clear();
}

void PtyLine::Close() {
    RemoveLink();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

uint32_t PtyLine::HostBaud() const {
    termios t{};
    if (master_ < 0 || tcgetattr(master_, &t) != 0) return 0;
    return BaudFromSpeed(cfgetospeed(&t));
}

}  // namespace vendra::sim
