// PlatformFiles on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/base/PlatformFiles.h"

namespace vendra {

namespace {

// Link chains longer than this are loops (the system's own limit is 40).
constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileStamp StampOf(const struct stat& st) {
    return {static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
    FileStatus status;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        status.Error = errno;
        return status;
    }
    status.Kind = S_ISREG(st.st_mode)   ? FileKind::Regular
                  : S_ISDIR(st.st_mode) ? FileKind::Folder
                                        : FileKind::Other;
    status.Mode = st.st_mode & 07777;
    status.Owner = st.st_uid;
    status.Group = st.st_gid;
    return status;
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

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

std::FILE* OpenRegularFile(const std::string& path, int& error, FileStamp* stamp) {
    // O_NONBLOCK keeps the open itself from blocking on a FIFO; the type check refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return nullptr;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    if (stamp != nullptr) *stamp = StampOf(st);
    return file;
}

bool FileChangedSince(std::FILE* file, const FileStamp& before) {
    struct stat now {};
    if (file == nullptr || ::fstat(::fileno(file), &now) != 0) return true;
    return StampOf(now) != before;
}

int CreateNewFile(const std::string& path) {
    // 0666: the umask decides, as for a file created in place.
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int OpenFileForRewrite(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

bool WriteFlushAndClose(int fd, const std::string& bytes) {
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            ok = false;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    ok = ok && ::fdatasync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    errno = err;
    return ok;
}

bool KeepOwnerAndMode(int fd, const FileStatus& old) {
    struct stat made {};
    bool sameOwner =
        ::fstat(fd, &made) == 0 && made.st_uid == old.Owner && made.st_gid == old.Group;
    if (!sameOwner && ::fchown(fd, old.Owner, old.Group) != 0) return false;
    ::fchmod(fd, old.Mode);
    return true;
}

void CloseFile(int fd) {
    ::close(fd);
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

void UseBinaryStandardStreams() {}  // no text mode here

}  // namespace vendra
