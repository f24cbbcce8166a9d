// Runs a piece of a test in a child process without privileges, so that folder permissions hold
// even when the tests run as root (root may create files in any folder). The child is "nobody"
// when the tests run as root, and the same user otherwise.
#pragma once
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace vendra::test {

// `work`'s result (0..255), or -1 when the child could not run it.
inline int RunUnprivileged(const std::function<int()>& work) {
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(work() & 0xFF);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vendra::test
