// Runs a piece of a test as a user without rights to other users' files. Root may read and open
// anything, so there the piece runs in a child process that has given its rights up (user and
// group nobody); any other user runs it as is. The piece's text result is handed back.
#pragma once
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace vendra::test {

inline bool RunsAsRoot() {
    return ::geteuid() == 0;
}

inline std::string WithoutRights(const std::function<std::string()>& piece) {
    if (!RunsAsRoot()) return piece();
    int fds[2];
    if (::pipe(fds) != 0) return "(no pipe)";
    pid_t child = ::fork();
    if (child < 0) return "(no child)";
    if (child == 0) {
        ::close(fds[0]);
        bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        std::string result = dropped ? piece() : "(could not give up rights)";
        (void)!::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return result;
}

// The same for a piece whose result is a number 0..255; -1 when it could not run.
inline int RunUnprivileged(const std::function<int()>& work) {
    std::string result = WithoutRights([&] { return std::to_string(work() & 0xFF); });
    char* end = nullptr;
    long value = std::strtol(result.c_str(), &end, 10);
    return !result.empty() && *end == '\0' ? static_cast<int>(value) : -1;
}

}  // namespace vendra::test
