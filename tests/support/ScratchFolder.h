// A new, empty folder for one test's files, in the system's folder for temporary files (on every
// system the tests are built for).
#pragma once
#include <filesystem>
#include <random>
#include <string>

namespace vendra::test {

inline std::filesystem::path MakeScratchFolder(const std::string& prefix) {
    static std::mt19937_64 random{std::random_device{}()};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto path = base / (prefix + "-" + std::to_string(random() % 1000000000u));
        if (std::filesystem::create_directory(path)) return path;
    }
}

}  // namespace vendra::test
