// Loading a chosen file for the operator, and saving without ever destroying the previous file.
#include <gtest/gtest.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "ProgramTestUtil.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/ProgramFile.h"
#include "support/ScriptedOperator.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#include "support/WithoutRights.h"
#endif

namespace vendra {
namespace {

using test::ReadFile;
using test::ScriptedOperator;
using test::TempDir;
using test::WriteFile;

TEST(LoadProgramFile, SuccessSetsNamePathAndLoaded) {
    TempDir dir;
    std::string path = dir.File("Pick Place.v2.def");
    WriteFile(path, "link_me,1,X,2,0,1,3,4,5\r\nend_program\r\n");
    SystemState s;
    ScriptedOperator op;
    EXPECT_EQ(LoadProgramFromPath(s, op, path), 1);
    EXPECT_EQ(s.App.ProgramLoaded.load(), 1u);
    EXPECT_EQ(s.App.ProgramName.Get(), "Pick Place.v2");
    EXPECT_EQ(s.App.ProgramPath.Get(), path);
    EXPECT_EQ(s.Program.LineCount, 2u);
    EXPECT_EQ(s.Run.LinksPresent.load(), 1u);
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_EQ(LoadedCaption(s.App.ProgramName),
              "Vendra for Windows - Def. File Loaded: Pick Place.v2");
    EXPECT_STREQ(kDefinitionFilter, "Definition Filter|*.def;*.DEF");
    EXPECT_STREQ(kDefinitionFolder, "define");

    // Never under a running program.
    s.Run.ProgramRunning = 1;
    EXPECT_EQ(LoadProgramFromPath(s, op, dir.File("other.def")), 0);
    EXPECT_EQ(s.App.ProgramLoaded.load(), 1u);
    EXPECT_EQ(s.Program.LineCount, 2u);
    EXPECT_TRUE(op.Boxes().empty());
}

// What a load that fails leaves: the program, its labels, name and path, and the run-time tables
// exactly as the last good load left them.
struct LoadedBefore {
    TempDir dir;
    std::string path = dir.File("before.def");
    SystemState s;
    ScriptedOperator op;

    LoadedBefore() {
        WriteFile(path, "label,\"top\"\r\nlink_me,1,X,2,0,1,3,4,5\r\nend_program\r\n");
        EXPECT_EQ(LoadProgramFromPath(s, op, path), 1);
        s.Run.TempRegisters[5] = 77;
    }
    void ExpectUnchanged() const {
        EXPECT_EQ(s.App.ProgramLoaded.load(), 1u);
        EXPECT_EQ(s.App.ProgramName.Get(), "before");
        EXPECT_EQ(s.App.ProgramPath.Get(), path);
        ASSERT_EQ(s.Program.LineCount, 3u);
        EXPECT_EQ(s.Program.Lines[1].Command, CmdLinkMe);
        EXPECT_EQ(s.Program.Lines[1].Values[2], 2u);
        EXPECT_EQ(s.Labels.LabelCount, 2u);
        EXPECT_STREQ(s.Labels.Entries[1].Name, "top");
        EXPECT_EQ(s.Run.LinksPresent.load(), 1u);
        EXPECT_EQ(s.Run.TempRegisters[5].load(), 77u);
    }
};

TEST(LoadProgramFile, FilesThatCannotBeOpenedLeaveTheProgramAsItWas) {
    TempDir dir;
#ifdef _WIN32
    // A folder and a device (the console would wait for typing) are refused at once.
    const std::string paths[] = {dir.File("missing.def"), dir.Path(), "NUL", "CON"};
#else
    std::string fifo = dir.File("pipe.def");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A directory, a FIFO (would block) and a device (would never end) are refused at once.
    const std::string paths[] = {dir.File("missing.def"), dir.Path(), fifo, "/dev/zero"};
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        LoadedBefore b;
        EXPECT_EQ(LoadProgramFromPath(b.s, b.op, path), 0);
        b.ExpectUnchanged();
        ASSERT_EQ(b.op.Boxes().size(), 1u);
        EXPECT_EQ(b.op.Boxes()[0].text, "Error in Data File");
        EXPECT_EQ(b.op.Boxes()[0].title, "VDWin ERROR Message");
        EXPECT_EQ(b.op.Boxes()[0].flags, 48u);
    }
}

#ifndef _WIN32  // a file whose read fails, and streams made of functions
TEST(LoadProgramFile, ReadErrorIsReportedAndNothingHalfLoaded) {
    // /proc/self/mem is a regular file whose first read fails.
    LoadedBefore b;
    EXPECT_EQ(LoadProgramFromPath(b.s, b.op, "/proc/self/mem"), 0);
    b.ExpectUnchanged();
    ASSERT_EQ(b.op.Boxes().size(), 1u);
    EXPECT_EQ(b.op.Boxes()[0].text,
              "Can't perform one of the following file operations: Open, Seek, Read, Close.");
    EXPECT_EQ(b.op.Boxes()[0].title, "File Error");
    EXPECT_EQ(b.op.Boxes()[0].flags, 1u);
}

// A stream that yields some program text, then fails as a vanished file would.
struct FailingSource {
    std::string data;
    size_t pos = 0;
};
ssize_t FailingRead(void* cookie, char* buf, size_t size) {
    auto* src = static_cast<FailingSource*>(cookie);
    if (src->pos >= src->data.size()) {
        errno = EIO;
        return -1;
    }
    size_t n = std::min(size, src->data.size() - src->pos);
    std::memcpy(buf, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<ssize_t>(n);
}

TEST(LoadProgramFile, ErrorPartWayDropsWhatWasRead) {
    FailingSource src{"delay,1\r\nlabel,\"x\"\r\nlink_me,1,X,0,0,1,3,1,1\r\ndelay,"};
    cookie_io_functions_t io{FailingRead, nullptr, nullptr, nullptr};
    std::FILE* f = ::fopencookie(&src, "r", io);
    ASSERT_NE(f, nullptr);
    SystemState s;
    LoadReport r;
    EXPECT_EQ(LoadProgram(s, f, r), 0);
    std::fclose(f);
    EXPECT_EQ(r.Status, LoadStatus::ReadError);
    EXPECT_EQ(r.Error, EIO);
    EXPECT_EQ(s.Program.LineCount, 0u);
    EXPECT_EQ(s.Program.Lines[0].Command, 0);
    EXPECT_EQ(s.Labels.LabelCount, 1u);
    EXPECT_EQ(s.Run.LinksPresent.load(), 0u);
}

#endif

TEST(LoadProgramFile, LossyLoadWarnsButLoads) {
    TempDir dir;
    std::string path = dir.File("long.def");
    WriteFile(path, "vsend,\"" + std::string(200, 'x') + "\"\r\nend_program\r\n");
    SystemState s;
    ScriptedOperator op;
    EXPECT_EQ(LoadProgramFromPath(s, op, path), 1);
    EXPECT_EQ(s.App.ProgramLoaded.load(), 1u);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_NE(op.Boxes()[0].text.find("cut"), std::string::npos);
    EXPECT_EQ(op.Boxes()[0].flags, 48u);
}

// Losses that a line of the file holds are named with the line; the program is loaded all the same.
TEST(LoadProgramFile, LossesOfALineAreReportedWithTheLine) {
    const struct Case {
        const char* name;
        std::string bytes;
        std::string loss;
    } cases[] = {
        {"a NUL byte in a text",
         std::string("delay,1\r\nvsend,\"D3\0A100\"\r\nend_program\r\n", 39),
         "A NUL byte cut a text, label or comment on line(s) 2; what followed it there was not "
         "loaded.\n"},
        {"a text that runs into the next line",
         "delay,1\r\nwait_DBoard_done,3,\"\"\r\ndelay,100\r\nend_program\r\n",
         "Line 2's text runs into line 3: its last field is empty (\"\") or missing and no "
         "comment follows it, so the next line was read as that field.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        // (Not "nul.def": Windows takes that name for its null device.)
        std::string path = dir.File("lossy.def");
        WriteFile(path, c.bytes);
        SystemState s;
        ScriptedOperator op;
        EXPECT_EQ(LoadProgramFromPath(s, op, path), 1);
        EXPECT_EQ(s.App.ProgramLoaded.load(), 1u);
        ASSERT_EQ(op.Boxes().size(), 1u);
        EXPECT_EQ(op.Boxes()[0].text,
                  "The program was loaded, but not all of the file:\n" + c.loss);
        EXPECT_EQ(op.Boxes()[0].flags, 48u);
    }
}

#ifndef _WIN32  // file-size limits, POSIX rights and symbolic links
ProgramLine Delay(uint32_t ms) {
    ProgramLine l;
    l.Command = CmdDelay;
    l.Values[0] = ms;
    return l;
}

TEST(SaveProgram, FailedWriteKeepsThePreviousFile) {
    TempDir dir;
    std::string path = dir.File("keep.def");
    WriteFile(path, "previous contents\r\n");
    SystemState s;
    for (uint32_t i = 0; i < 500; ++i) s.Program.Lines[i] = Delay(i);
    s.Program.LineCount = 500;

    std::string error;
    int result;
    {  // a file-size limit makes the write fail part-way, as a full disk would
        test::FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Set());
        result = SaveProgramTo(s.Program, path, &error);
    }

    EXPECT_EQ(result, 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(path), "previous contents\r\n");
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);

    EXPECT_EQ(SaveProgramTo(s.Program, dir.File("no/such/folder.def"), &error), 0);
}

TEST(SaveProgram, KeepsPermissionsAndFollowsLinks) {
    TempDir dir;
    std::string real = dir.File("real.def");
    std::string link = dir.File("link.def");
    WriteFile(real, "old\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    SystemState s;
    s.Program.Lines[0] = Delay(5);
    s.Program.LineCount = 1;
    ASSERT_EQ(SaveProgramTo(s.Program, link), 1);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(real), "delay,5      ;\r\n");
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A link to a file not made yet stays a link and gets its file; a folder where no new file may
// be created still gets its writable program file saved.
TEST(SaveProgram, DanglingLinkAndLockedFolder) {
    TempDir dir;
    SystemState s;
    s.Program.Lines[0] = Delay(7);
    s.Program.LineCount = 1;
    std::filesystem::create_directory(dir.File("programs"));
    ASSERT_EQ(::symlink("programs/new.def", dir.File("link.def").c_str()), 0);
    std::string error;
    ASSERT_EQ(SaveProgramTo(s.Program, dir.File("link.def"), &error), 1) << error;
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.def").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.File("programs/new.def")), "delay,7      ;\r\n");

    WriteFile(dir.File("programs/locked.def"), "old\r\n");
    ASSERT_EQ(::chmod(dir.File("programs/locked.def").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.File("programs").c_str(), 0555), 0);
    int result = test::RunUnprivileged(
        [&] { return SaveProgramTo(s.Program, dir.File("programs/locked.def")) == 1 ? 0 : 1; });
    ::chmod(dir.File("programs").c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir.File("programs/locked.def")), "delay,7      ;\r\n");
}

#endif

}  // namespace
}  // namespace vendra
