#include "core/base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

namespace vendra {

namespace {

// Link chains longer than this are loops (the system's own limit is 40).
constexpr int kMaxLinks = 40;

bool Fail(std::string* error, const char* what, int err) {
    if (error != nullptr) *error = std::string(what) + ": " + std::strerror(err);
    return false;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes and syncs `bytes` to fd and closes it; errno tells why on false.
bool WriteAndClose(int fd, const std::string& bytes) {
    bool ok = WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    errno = err;
    return ok;
}

// A new, empty temporary file beside `target`; -1 when none can be made there.
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

bool WriteInPlace(const std::string& target, const std::string& bytes, std::string* error) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(error, "cannot create the file", errno);
    if (!WriteAndClose(fd, bytes)) return Fail(error, "cannot write the file", errno);
    return true;
}

}  // namespace

std::string ResolveFileLinks(const std::string& path) {
    std::string current = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char target[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n <= 0) return current;
        target[n] = '\0';
        current = target[0] == '/' ? std::string(target) : FolderOf(current) + "/" + target;
    }
    return current;  // a loop: opening it fails with the system's own message
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    if (path.empty()) {
        if (error != nullptr) *error = "no file name";
        return false;
    }
    const std::string target = ResolveFileLinks(path);

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        if (error != nullptr) *error = target + " is a folder, not a file";
        return false;
    }
    // A device or a pipe is written, never replaced by a plain file.
    if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, bytes, error);

    std::string tempPath;
    int fd = CreateTemporary(target, tempPath);
    if (fd < 0) {
        // A folder we may not create files in, while the file itself may be writable. Any other
        // reason (a full disk) would fail in place too, after emptying the file: report it.
        if (errno == EACCES || errno == EPERM) return WriteInPlace(target, bytes, error);
        return Fail(error, "cannot create the file", errno);
    }
    if (exists) {
        struct stat made {};
        bool sameOwner =
            ::fstat(fd, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid;
        if (!sameOwner && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // The replacement would change hands: keep the file's owner by writing into it.
            ::close(fd);
            ::unlink(tempPath.c_str());
            return WriteInPlace(target, bytes, error);
        }
        ::fchmod(fd, old.st_mode & 07777);
    }
    // The bytes are on disk before the rename makes them the file: a crash leaves the old file
    // or the new one, never an empty one.
    if (!WriteAndClose(fd, bytes)) {
        int err = errno;
        ::unlink(tempPath.c_str());
        return Fail(error, "cannot write the file", err);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tempPath.c_str());
        return Fail(error, "cannot replace the file", err);
    }
    return true;
}

}  // namespace vendra
