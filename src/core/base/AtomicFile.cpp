#include "core/base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vendra {

namespace {

std::string ErrnoText(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

// Saving through a symbolic link replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

int CreateTemporary(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        // 0666: the umask decides, as for a file created in place.
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasExtension(const std::string& path) {
    std::string name = FileNameOf(path);
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && dot > 0;
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return false;
    };
    if (path.empty()) return fail("no file name");
    std::string target = ResolveTarget(path);
    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return fail("cannot write the file: it is a folder");
    std::string tempPath;
    int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return fail(ErrnoText("cannot create the file", errno));
    if (exists && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        int err = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        return fail(ErrnoText("cannot create the file", err));
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    errno = 0;
    bool ok = write(file);
    int err = errno != 0 ? errno : EIO;
    // The data must be on disk before the rename makes it the file, or a crash could leave an
    // empty file in place of the old one.
    if (ok && (std::fflush(file) != 0 || std::ferror(file) || ::fdatasync(fd) != 0)) {
        ok = false;
        err = errno != 0 ? errno : EIO;
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        return fail(ErrnoText("cannot write the file", err));
    }
    return true;
}

}  // namespace vendra
