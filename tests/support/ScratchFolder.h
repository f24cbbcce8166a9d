// A test's files: a new, empty folder for them in the system's folder for temporary files (on
// every system the tests are built for), and a file's bytes as they stand.
#pragma once
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
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

// A scratch folder that goes, with all it holds, at the end of the scope (folders a test took
// the rights of included).
struct ScratchFolder {
    explicit ScratchFolder(const std::string& prefix = "vendra-test")
        : root(MakeScratchFolder(prefix)) {}
    ~ScratchFolder() {
        std::error_code ec;
        for (auto& e : std::filesystem::recursive_directory_iterator(root, ec))
            if (e.is_directory())
                std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The path of `name` in the folder.
    std::string operator()(const std::string& name) const { return (root / name).string(); }
    std::filesystem::path root;
};

// The whole file as it stands on the disk ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace vendra::test
