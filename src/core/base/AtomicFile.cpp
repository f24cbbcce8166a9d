#include "core/base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "core/base/PlatformFiles.h"

namespace vendra {

namespace {

bool Fail(std::string* error, const char* what, int err) {
    if (error != nullptr) *error = std::string(what) + ": " + std::strerror(err);
    return false;
}

// A new, empty temporary file beside `target`; -1 when none can be made there.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    // Unique across processes (the tag) and within one (the counter).
    static const unsigned tag = std::random_device{}();
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(tag) + "_" + std::to_string(counter++);
        int fd = CreateNewFile(tempPath);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteInPlace(const std::string& target, const std::string& bytes, std::string* error) {
    int fd = OpenFileForRewrite(target);
    if (fd < 0) return Fail(error, "cannot create the file", errno);
    if (!WriteFlushAndClose(fd, bytes)) return Fail(error, "cannot write the file", errno);
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    if (path.empty()) {
        if (error != nullptr) *error = "no file name";
        return false;
    }
    const std::string target = ResolveFileLinks(path);

    const FileStatus old = StatusOf(target);
    const bool exists = old.Kind != FileKind::Missing;
    if (old.Kind == FileKind::Folder) {
        if (error != nullptr) *error = target + " is a folder, not a file";
        return false;
    }
    // A device or a pipe is written, never replaced by a plain file.
    if (old.Kind == FileKind::Other) return WriteInPlace(target, bytes, error);

    std::string tempPath;
    int fd = CreateTemporary(target, tempPath);
    if (fd < 0) {
        // A folder we may not create files in, while the file itself may be writable. Any other
        // reason (a full disk) would fail in place too, after emptying the file: report it.
        if (errno == EACCES || errno == EPERM) return WriteInPlace(target, bytes, error);
        return Fail(error, "cannot create the file", errno);
    }
    if (exists && !KeepOwnerAndMode(fd, old)) {
        // The replacement would change hands: keep the file's owner by writing into it.
        CloseFile(fd);
        RemoveFile(tempPath);
        return WriteInPlace(target, bytes, error);
    }
    // The bytes are on disk before the replacement makes them the file: a crash leaves the old
    // file or the new one, never an empty one.
    if (!WriteFlushAndClose(fd, bytes)) {
        int err = errno;
        RemoveFile(tempPath);
        return Fail(error, "cannot write the file", err);
    }
    if (!MoveFileOver(tempPath, target)) {
        int err = errno;
        RemoveFile(tempPath);
        return Fail(error, "cannot replace the file", err);
    }
    return true;
}

}  // namespace vendra
