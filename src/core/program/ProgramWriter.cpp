#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

namespace vendra {

namespace {

std::string BaseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrnoText(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

// A symbolic link is followed, so that saving replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

// Creates a fresh temporary file next to target. The mode 0666 lets the umask decide, as for a
// file created in place; an existing target passes on its own permissions.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

std::string DefinitionFileName(const std::string& path) {
    std::string base = BaseNameOf(path);
    size_t dot = base.find_last_of('.');
    bool hasExtension = dot != std::string::npos && dot > 0;
    return hasExtension ? path : path + ".def";
}

int SaveProgramTo(UserProgram& program, const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return 0;
    };
    if (path.empty()) return fail("no file name");
    std::string target = ResolveTarget(path);
    std::string tempPath;
    int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return fail(ErrnoText("cannot create the file", errno));

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        int err = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        return fail(ErrnoText("cannot create the file", err));
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);

    char line[kLineBufferSize];
    for (uint32_t i = 0; i < program.LineCount && i < kMaxProgramLines; ++i) {
        FormatLine(program, i, LineForm::File, line, sizeof line);
        std::fputs(line, file);
        std::fputs("\r\n", file);
    }
    // The data must be on disk before the rename makes it the file, or a crash could leave an
    // empty file in place of the old one.
    bool ok = std::fflush(file) == 0 && !std::ferror(file) && ::fdatasync(fd) == 0;
    int err = errno;
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
    return 1;
}

int SaveProgram(UserProgram& program, SharedText& programPath, std::string* error) {
    std::string path = DefinitionFileName(programPath.Get());
    if (!SaveProgramTo(program, path, error)) return 0;
    programPath.Set(path);
    return 1;
}

}  // namespace vendra
