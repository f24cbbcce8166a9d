#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sstream>

#include "ProgramTestUtil.h"
#include "cli/VendraDef.h"

namespace vendra {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct DefRun {
    int status;
    std::string out, err;
};

DefRun Def(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunVendraDef(args, out, err);
    return {status, out.str(), err.str()};
}

// Hand-written, LF-only, with a label, a mixed check-done line and loose spacing.
const char* kGood =
    "label,\"top\"\n"
    "DBoard_check_done, 3, top, 4   ; ready: again, busy: wait\n"
    "delay,100\n"
    "loop,top\n"
    "end_program\n";

TEST(VendraDef, ListsLikeTheEditorAndChecks) {
    TempDir dir;
    WriteFile(dir.File("good.def"), kGood);
    DefRun r = Def({dir.File("good.def")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "0001 - label,\"top\"      ;Program Label\n"
              "0002 - DBoard_check_done,3,top,4      ; ready: again, busy: wait\n"
              "0003 - delay,100      ;\n"
              "0004 - loop,top      ;\n"
              "0005 - end_program      ;End of Program\n"
              "Address check: OK\n");
    EXPECT_EQ(r.err, "");
}

TEST(VendraDef, FailsOnFaultyAddressesMissingEndAndUnreadableFiles) {
    TempDir dir;
    WriteFile(dir.File("bad.def"), "loop,3\r\ncompare_temp,1,2,0,9,0\r\n");
    WriteFile(dir.File("good.def"), kGood);
    DefRun r = Def({dir.File("good.def"), dir.File("bad.def"), dir.File("none.def")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("==> " + dir.File("good.def") + " <==\n0001 - "), std::string::npos);
    EXPECT_NE(r.out.find("\n==> " + dir.File("bad.def") +
                         " <==\n"
                         "0001 - loop,3      ;\n"
                         "0002 - compare_temp,1,2,0,9,0      ;\n"
                         "Address check: line 0001 jumps past the last line (2)\n"
                         "Address check: line 0002 jumps past the last line (2)\n"
                         "Address check: No end_program FOUND!!!\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.err,
              "vendra-def: " + dir.File("none.def") + ": cannot open: No such file or directory\n");
}

TEST(VendraDef, NormalizeWritesTheProgramsOwnForm) {
    TempDir dir;
    std::string path = dir.File("good.def");
    WriteFile(path, kGood);
    DefRun r = Def({"--normalize", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(path),
              "label,\"top\"      ;Program Label\r\n"
              "DBoard_check_done,3,top,4      ; ready: again, busy: wait\r\n"
              "delay,100      ;\r\n"
              "loop,top      ;\r\n"
              "end_program      ;End of Program\r\n");
    // A normalised file lists the same and normalises to itself.
    std::string normalized = ReadFile(path);
    DefRun again = Def({path, "--normalize"});
    EXPECT_EQ(again.out, r.out);
    EXPECT_EQ(ReadFile(path), normalized);
}

TEST(VendraDef, NormalizeNeverWritesBackALossyLoad) {
    TempDir dir;
    std::string path = dir.File("long.def");
    std::string bytes = "vsend,\"" + std::string(300, 'x') + "\"\r\nend_program\r\n";
    WriteFile(path, bytes);
    DefRun r = Def({"--normalize", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("were cut"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not normalized"), std::string::npos);
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(VendraDef, ListsOnboardProgramFilesByTheirExtension) {
    TempDir dir;
    WriteFile(dir.File("pump.iee"), "12345\r\n;comment\r\nabc\n\"0123;56789\"\r\n");
    WriteFile(dir.File("long.IEE"), std::string(300, 'x') + "\r\n" + std::string(1, '\0') + "y");
    DefRun r = Def({dir.File("pump.iee"), dir.File("missing.Iee"), dir.File("long.IEE")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "==> " + dir.File("pump.iee") +
                         " <==\n"
                         "00001/00001 - 12345\n"
                         "00002/00007 - abc\n"
                         "00003/00011 - 0123;56789\n"
                         "\n==> " +
                         dir.File("missing.Iee") + " <==\n\n==> " + dir.File("long.IEE") +
                         " <==\n00001/00001 - " + std::string(255, 'x') + "\n00002/00257 - y\n");
    EXPECT_EQ(r.err, "vendra-def: " + dir.File("missing.Iee") +
                         ": cannot open: No such file or directory\n"
                         "vendra-def: " +
                         dir.File("long.IEE") + ": 1 line longer than 255 characters was cut\n" +
                         "vendra-def: " + dir.File("long.IEE") +
                         ": a NUL byte was dropped from line(s) 2\n");
    EXPECT_EQ(Def({dir.File("pump.iee")}).status, 0);

    // Normalized: CR LF lines, the one with ';' quoted; a lossy file is never written back.
    EXPECT_EQ(Def({"--normalize", dir.File("pump.iee")}).status, 0);
    EXPECT_EQ(ReadFile(dir.File("pump.iee")), "12345\r\nabc\r\n\"0123;56789\"\r\n");
    EXPECT_EQ(Def({"--normalize", dir.File("long.IEE")}).status, 1);
    EXPECT_EQ(ReadFile(dir.File("long.IEE")),
              std::string(300, 'x') + "\r\n" + std::string(1, '\0') + "y");
}

// The reading stays as it is (the address check passes), but the tool names the line that took
// the next one in, and never writes such a file back.
TEST(VendraDef, WarnsOfALineThatRunsIntoTheNext) {
    TempDir dir;
    std::string path = dir.File("runs-on.def");
    const std::string bytes = "wait_DBoard_done,3,\"\"\r\ndelay,100\r\nend_program\r\n";
    WriteFile(path, bytes);
    DefRun r = Def({"--normalize", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "0001 - wait_DBoard_done,3,\"delay\"      ;\n"
              "0002 - end_program      ;End of Program\n"
              "Address check: OK\n");
    EXPECT_EQ(r.err, "vendra-def: " + path +
                         ": Line 1's text runs into line 2: its last field is empty (\"\") or "
                         "missing and no comment follows it, so the next line was read as that "
                         "field.\nvendra-def: " +
                         path + ": not normalized: writing it back would lose what was cut\n");
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(VendraDef, NormalizeRefusesAFileWithANulInAText) {
    TempDir dir;
    std::string path = dir.File("nul.def");
    std::string bytes("vsend,\"D3\0A100\"      ;x\r\nend_program\r\n", 38);
    WriteFile(path, bytes);
    DefRun r = Def({"--normalize", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vendra-def: " + path +
                         ": A NUL byte cut a text, label or comment on line(s) 1; what followed it "
                         "there was not loaded.\nvendra-def: " +
                         path + ": not normalized: writing it back would lose what was cut\n");
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(VendraDef, Usage) {
    EXPECT_EQ(Def({}).status, 2);
    EXPECT_EQ(Def({"--frobnicate", "x.def"}).status, 2);
    DefRun help = Def({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: vendra-def"), std::string::npos);
}

TEST(VendraDef, BinaryExitStatus) {
    TempDir dir;
    WriteFile(dir.File("good.def"), kGood);
    WriteFile(dir.File("bad.def"), "loop,9\r\n");
    auto status = [](const std::string& args) {
        std::string cmd = std::string(VENDRA_DEF_BINARY) + " " + args + " >/dev/null 2>&1";
        int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status("'" + dir.File("good.def") + "'"), 0);
    EXPECT_EQ(status("'" + dir.File("bad.def") + "'"), 1);
    EXPECT_EQ(status(""), 2);
}

}  // namespace
}  // namespace vendra
