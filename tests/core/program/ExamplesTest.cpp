// The example programs: each loads whole, passes the editor's check, is stored exactly as the
// program saves it, and together they use every command.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "ProgramTestUtil.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/AddressCheck.h"
#include "core/program/CommandTable.h"
#include "core/program/ProgramFile.h"

namespace vendra {
namespace {

TEST(Examples, LoadWholePassTheCheckAndUseEveryCommand) {
    std::set<int> used;
    int files = 0;
    test::TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(VENDRA_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".def") continue;
        ++files;
        std::string path = entry.path().string();
        SystemState s;
        LoadReport report;
        ASSERT_EQ(LoadProgram(s, path, report), 1) << path;
        EXPECT_FALSE(report.Lossy()) << path;
        EXPECT_TRUE(report.EndFound) << path;
        EXPECT_EQ(AddressCheck(s.Program).Ok, 1) << path;
        for (uint32_t i = 0; i < s.Program.LineCount; ++i) used.insert(s.Program.Lines[i].Command);
        std::string copy = dir.File("copy.def");
        ASSERT_EQ(SaveProgramTo(s.Program, copy), 1);
        EXPECT_EQ(test::ReadFile(copy), test::ReadFile(path)) << path;
    }
    EXPECT_GE(files, 4);
    for (int c = 0; c < kCommandCount; ++c) EXPECT_TRUE(used.count(c)) << CommandTable[c];
}

}  // namespace
}  // namespace vendra
