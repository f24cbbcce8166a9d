// Helpers of the program tests: a scratch folder and whole-file reads and writes.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ScratchFolder.h"

namespace vendra::test {

class TempDir {
  public:
    TempDir() : path_(MakeScratchFolder("vendra-program").string()) {}
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

using test::ReadFile;

}  // namespace vendra::test

#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/ProgramFile.h"

namespace vendra::test {

// Loads a program from the given file bytes through the program's own reader.
inline int LoadBytes(SystemState& state, const std::string& bytes, LoadReport& report) {
    std::FILE* f = std::tmpfile();
    if (f == nullptr) return -1;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    int result = LoadProgram(state, f, report);
    std::fclose(f);
    return result;
}

inline int LoadBytes(SystemState& state, const std::string& bytes) {
    LoadReport report;
    return LoadBytes(state, bytes, report);
}

}  // namespace vendra::test
