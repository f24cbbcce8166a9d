#include "SimFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace vendra::sim::test {

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vendra-sim-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    for (int i = 0; i < timeoutMs; ++i) {
        if (condition()) return true;
        usleep(1000);
    }
    return condition();
}

void RemoveTree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace vendra::sim::test
