#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "ProgramTestUtil.h"
#include "core/onboard/IeeFile.h"
#include "core/onboard/OnboardProgram.h"
#ifndef _WIN32
#include "sim/SimConfig.h"
#endif

namespace vendra {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> LoadBytes(const std::string& bytes, IeeLoadReport* reportOut = nullptr) {
    TempDir dir;
    WriteFile(dir.File("p.IEE"), bytes);
    OnboardProgram program;
    IeeLoadReport report;
    EXPECT_TRUE(LoadIeeFile(program, dir.File("p.IEE"), report));
    if (reportOut) *reportOut = report;
    return program.Lines();
}

TEST(IeeFile, ReadingRules) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"blank, comment-only and quoted lines",
         "A1000\r\n\r\n;only a comment\r\n\"P;1\"\r\n",
         {"A1000", "P;1"}},
        {"CR ignored outside quotes", "A\r1\r\n", {"A1"}},
        {"LF line ends", "A\nB\n\n", {"A", "B"}},
        {"comment after text keeps the text before it", "A1000 ;move\r\nB\r\n", {"A1000 ", "B"}},
        {"a comment ends at a bare LF", "A;x\nB\n", {"A", "B"}},
        {"quotes keep LF, CR, ';' and Ctrl-Z", "\"a\nb\r;c\x1a\"\r\n", {"a\nb\r;c\x1a"}},
        {"quotes inside a line", "A\"1;0\"0\r\n", {"A1;00"}},
        {"Ctrl-Z inside a comment is comment text", "A;x\x1ay\r\nB;\x1a\nC\r\n", {"A", "B", "C"}},
        {"Ctrl-Z ends the file",
         "A\r\nB\x1a"
         "C\r\n",
         {"A", "B"}},
        {"last line without line end", "A\r\nB", {"A", "B"}},
        {"quote open at the end", "\"abc", {"abc"}},
        {"empty quotes give no line", "\"\"\r\nX", {"X"}},
        {"NUL bytes carry nothing", std::string("A\0B\r\n", 5), {"AB"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadBytes(c.bytes), c.lines) << c.what;
}

TEST(IeeFile, NulBytesAreDroppedAndTheTextLinesTheyWereOnNamed) {
    // On text lines 1, 3 (twice) and 4 (inside quotes); one in a comment (line 5) costs nothing.
    const char bytes[] = "A\0B\r\nok\r\n\0x\0\r\n\"q\0\"\r\nC;\0\r\n";
    IeeLoadReport report;
    std::vector<std::string> lines = LoadBytes(std::string(bytes, sizeof bytes - 1), &report);
    EXPECT_EQ(lines, (std::vector<std::string>{"AB", "ok", "x", "q", "C"}));
    EXPECT_EQ(report.NulLines, (std::vector<uint32_t>{1, 3, 4}));
    EXPECT_EQ(IeeNulLinesNote(report), "a NUL byte was dropped from line(s) 1, 3, 4");
    EXPECT_TRUE(report.Lossy());
}

TEST(IeeFile, LongLinesAreCutAndLinesPastTheCapacityDropped) {
    IeeLoadReport report;
    std::vector<std::string> lines =
        LoadBytes(std::string(300, 'x') + "\r\n\"" + std::string(256, 'y') + "\"\r\nend", &report);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(255, 'x'));
    EXPECT_EQ(lines[1], std::string(255, 'y'));
    EXPECT_EQ(lines[2], "end");
    EXPECT_EQ(report.LinesCut, 2u);
    EXPECT_FALSE(report.LinesDropped);

    std::string big;
    for (int i = 1; i <= 50001; ++i) big += "L" + std::to_string(i) + "\r\n";
    lines = LoadBytes(big, &report);
    ASSERT_EQ(lines.size(), kOnboardCapacity);
    EXPECT_EQ(lines.front(), "L1");
    EXPECT_EQ(lines.back(), "L50000");
    EXPECT_TRUE(report.LinesDropped);

    // Exactly full, with blank lines after it, loses nothing.
    std::string full;
    for (int i = 1; i <= 50000; ++i) full += "L\r\n";
    lines = LoadBytes(full + "\r\n;comment\r\n", &report);
    EXPECT_EQ(lines.size(), kOnboardCapacity);
    EXPECT_FALSE(report.LinesDropped);
}

TEST(IeeFile, UnreadableFilesLeaveTheProgramAsItWas) {
    TempDir dir;
    OnboardProgram program;
    program.AppendLine("old");
    IeeLoadReport report;
    EXPECT_FALSE(LoadIeeFile(program, dir.File("missing.IEE"), report));
    EXPECT_EQ(report.Status, IeeLoadStatus::CannotOpen);
    EXPECT_EQ(report.Error, ENOENT);
    EXPECT_FALSE(LoadIeeFile(program, dir.Path(), report));  // a folder
    EXPECT_EQ(report.Status, IeeLoadStatus::CannotOpen);
    EXPECT_EQ(report.Error, EISDIR);
    EXPECT_EQ(program.Lines(), std::vector<std::string>{"old"});
}

TEST(IeeFile, SaveWritesCrLfLinesQuotingWhatTheReaderWouldChange) {
    TempDir dir;
    OnboardProgram program;
    program.ReplaceLines({"A1000", "P;1", "", "say \"hi\"", "two\nlines"});
    std::string error;
    ASSERT_TRUE(SaveIeeFile(program, dir.File("prog"), &error)) << error;
    EXPECT_EQ(ReadFile(dir.File("prog.IEE")),
              "A1000\r\n\"P;1\"\r\n\r\nsay \"hi\"\r\n\"two\nlines\"\r\n");

    // Read back: the same lines, except the empty one (blank lines vanish) and the one with a
    // double quote, which the format cannot carry.
    IeeLoadReport report;
    OnboardProgram back;
    ASSERT_TRUE(LoadIeeFile(back, dir.File("prog.IEE"), report));
    EXPECT_EQ(back.Lines(), (std::vector<std::string>{"A1000", "P;1", "say hi", "two\nlines"}));

    // An empty program is an empty file; a name with an extension is kept as typed.
    OnboardProgram empty;
    ASSERT_TRUE(SaveIeeFile(empty, dir.File("empty.iee")));
    EXPECT_EQ(ReadFile(dir.File("empty.iee")), "");
    EXPECT_EQ(IeeFileName("a/b.c/name"), "a/b.c/name.IEE");
    EXPECT_EQ(IeeFileName("a/.hidden"), "a/.hidden.IEE");
    EXPECT_EQ(IeeBaseName("/x/y/pump.IEE"), "pump");
    EXPECT_EQ(IeeBaseName("pump"), "pump");
}

TEST(IeeFile, RoundTripOfAFullProgramOfLongLines) {
    TempDir dir;
    OnboardProgram program;
    std::vector<std::string> lines;
    for (size_t i = 0; i < kOnboardCapacity; ++i)
        lines.push_back(std::to_string(i) + std::string(i % 256 > 250 ? 250 : i % 256, 'k'));
    lines[7] = std::string(255, ';');
    program.ReplaceLines(lines);
    ASSERT_TRUE(SaveIeeFile(program, dir.File("big.IEE")));
    OnboardProgram back;
    IeeLoadReport report;
    ASSERT_TRUE(LoadIeeFile(back, dir.File("big.IEE"), report));
    EXPECT_FALSE(report.Lossy());
    EXPECT_EQ(back.Lines(), program.Lines());
}

#ifndef _WIN32  // POSIX rights and symbolic links; the simulator runs on Linux only
TEST(IeeFile, SaveReplacesWholeThroughLinksKeepsModeAndReportsFailure) {
    TempDir dir;
    OnboardProgram program;
    program.ReplaceLines({"NEW"});
    WriteFile(dir.File("real.IEE"), "OLD\r\n");
    ASSERT_EQ(::chmod(dir.File("real.IEE").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.IEE", dir.File("link.IEE").c_str()), 0);
    ASSERT_TRUE(SaveIeeFile(program, dir.File("link.IEE")));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.IEE").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.File("real.IEE")), "NEW\r\n");
    ASSERT_EQ(::stat(dir.File("real.IEE").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A folder that cannot be written: reported, nothing left behind, the old file untouched.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0500), 0);
    std::string error;
    bool saved = SaveIeeFile(program, dir.File("other.IEE"), &error);
    bool root = ::geteuid() == 0;  // root writes anyway
    if (!root) {
        EXPECT_FALSE(saved);
        EXPECT_NE(error.find("cannot create the file"), std::string::npos) << error;
    }
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_EQ(::mkdir(dir.File("folder.IEE").c_str(), 0700), 0);
    EXPECT_FALSE(SaveIeeFile(program, dir.File("folder.IEE"), &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

TEST(IeeFile, TheDemoProgramReadsTheSameInTheEditorAndTheSimulator) {
    const std::string path = std::string(VENDRA_EXAMPLES_DIR) + "/demo-onboard.IEE";
    OnboardProgram program;
    IeeLoadReport report;
    ASSERT_TRUE(LoadIeeFile(program, path, report));
    std::vector<std::string> simulated;
    std::string error;
    ASSERT_TRUE(sim::ReadProgramLines(path, simulated, error)) << error;
    EXPECT_EQ(program.Lines(), simulated);
    EXPECT_GE(simulated.size(), 5u);
}

#endif

}  // namespace
}  // namespace vendra
