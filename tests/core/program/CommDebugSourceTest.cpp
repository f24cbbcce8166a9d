// What the communications debugger shows for a log line: the program line whose run sent the
// frame, or why there is none.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/program/CommDebugSource.h"
#include "core/program/ProgramFile.h"

namespace vendra {
namespace {

TEST(CommDebugSourceTest, ASentFrameLeadsToItsProgramLine) {
    UserProgram program;
    LabelTable labels;
    const char text[] =
        "DBoard,3,\"A1000\"      ;move out\r\n"
        "delay,100      ;wait\r\n"
        "no_op      ;my own comment\r\n"
        "end_program      ;End of Program\r\n";
    std::FILE* f = std::tmpfile();  // (no fmemopen on Windows)
    ASSERT_NE(f, nullptr);
    std::fwrite(text, 1, sizeof text - 1, f);
    std::rewind(f);
    LoadReport report;
    ASSERT_EQ(LoadProgram(program, labels, f, report), 1);
    std::fclose(f);
    const UserProgram& p = program;
    struct Case {
        const char* logLine;
        bool loaded;
        std::string shown;
    } const cases[] = {
        {"->1/0 - D3A1000", true, "0001 - DBoard,3,\"A1000\"      ;move out"},
        {"->2/1 - D3", true, "0002 - delay,100      ;wait"},
        {"->3/4 - D3", true, "0003 - no_op      ;No Operation"},
        {"<-1 - D3>", true, "Replies and discarded bytes carry no program line."},
        {"->5/2 - D3", true, "Sent at line 5, which the loaded program does not have."},
        {"->0/2 - GG*", true, "Sent at line 0, which the loaded program does not have."},
        {"->1/2 - D3", false, "Sent at line 1: no program is loaded."},
        {"garbage", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logLine);
        EXPECT_EQ(CommDebugSourceLine(p, c.loaded, c.logLine), c.shown);
    }
    // Showing a line leaves the program as it was (the editor writes fixed comments; this does
    // not).
    EXPECT_STREQ(p.Lines[2].Comment, "my own comment");
}

}  // namespace
}  // namespace vendra
