// Whole-file saves: what the path names stays what it was (a link, its permissions), the bytes
// arrive whole, and a folder without room for a temporary file still gets the file written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/base/AtomicFile.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchFolder.h"
#include "support/WithoutRights.h"

namespace vendra {
namespace {

namespace fs = std::filesystem;

using Scratch = test::ScratchFolder;
using test::ReadFile;

void Write(const std::string& path, const std::string& bytes, unsigned mode) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    ::chmod(path.c_str(), mode);
}

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Regular files in the scratch folder tree (links not counted): leftovers would show here.
int FileCount(const fs::path& root) {
    int n = 0;
    for (auto& e : fs::recursive_directory_iterator(root))
        n += e.symlink_status().type() == fs::file_type::regular;
    return n;
}

TEST(AtomicFile, WhatThePathNamesStaysWhatItWas) {
    struct Case {
        const char* name;
        std::function<void(const Scratch&)> make;  // builds the scene; the path is "saved"
        const char* written;                       // the file that must hold the new bytes
        unsigned mode;                             // its permissions afterwards
        bool linkStays;
    };
    const unsigned kNewFileMode = 0666 & ~[] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    const Case cases[] = {
        {"plain file", [](const Scratch& s) { Write(s("saved"), "old", 0640); }, "saved", 0640,
         false},
        {"new file", [](const Scratch&) {}, "saved", kNewFileMode, false},
        {"absolute link",
         [](const Scratch& s) {
             fs::create_directory(s("real"));
             Write(s("real/file"), "old", 0604);
             fs::create_symlink(s("real/file"), s("saved"));
         },
         "real/file", 0604, true},
        {"relative link into another folder, then a second link",
         [](const Scratch& s) {
             fs::create_directories(s("a/b"));
             Write(s("a/b/file"), "old", 0600);
             fs::create_symlink("b/file", s("a/link"));
             fs::create_symlink("a/link", s("saved"));
         },
         "a/b/file", 0600, true},
        {"dangling link: its file is made",
         [](const Scratch& s) {
             fs::create_directory(s("real"));
             fs::create_symlink("real/file", s("saved"));
         },
         "real/file", kNewFileMode, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        c.make(s);
        const int files = FileCount(s.root);
        std::string error;
        ASSERT_TRUE(WriteFileAtomically(s("saved"), "new\r\nbytes\r\n", &error)) << error;
        EXPECT_EQ(ReadFile(s(c.written)), "new\r\nbytes\r\n");
        EXPECT_EQ(ReadFile(s("saved")), "new\r\nbytes\r\n");
        EXPECT_EQ(ModeOf(s(c.written)), c.mode);
        EXPECT_EQ(IsLink(s("saved")), c.linkStays);
        EXPECT_EQ(FileCount(s.root), files == 0 ? 1 : files) << "a temporary file was left";
    }
}

TEST(AtomicFile, FolderWithoutRoomForATemporaryFileIsWrittenInPlace) {
    Scratch s;
    fs::create_directory(s("locked"));
    Write(s("locked/file"), "old", 0666);
    fs::create_symlink("locked/file", s("link"));
    ASSERT_EQ(::chmod(s.root.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(s("locked").c_str(), 0555), 0);
    // Unprivileged: the folder refuses new files; the file itself is writable.
    int result = test::RunUnprivileged([&] {
        if (WriteFileAtomically(s("locked/file"), "first") != true) return 1;
        if (ReadFile(s("locked/file")) != "first") return 2;
        if (WriteFileAtomically(s("link"), "second") != true) return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(s("locked/file")), "second");
    EXPECT_TRUE(IsLink(s("link")));
    EXPECT_EQ(ModeOf(s("locked/file")), 0666u);
    EXPECT_EQ(FileCount(s.root), 1);

    // Neither folder nor file writable: refused, and the file keeps its bytes.
    ASSERT_EQ(::chmod(s("locked/file").c_str(), 0444), 0);
    result = test::RunUnprivileged([&] {
        std::string error;
        bool ok = WriteFileAtomically(s("locked/file"), "third", &error);
        return !ok && error.rfind("cannot create the file: ", 0) == 0 ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(s("locked/file")), "second");
}

TEST(AtomicFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    Scratch s;
    Write(s("file"), "previous contents\r\n", 0644);
    std::string error;
    bool ok;
    {  // a file-size limit makes the write fail part-way, as a full disk would
        test::FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Set());
        ok = WriteFileAtomically(s("file"), std::string(5000, 'x'), &error);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.rfind("cannot write the file: ", 0), 0u) << error;
    EXPECT_EQ(ReadFile(s("file")), "previous contents\r\n");
    EXPECT_EQ(FileCount(s.root), 1);

    EXPECT_FALSE(WriteFileAtomically(s("no/such/folder/file"), "x", &error));
    EXPECT_FALSE(WriteFileAtomically("", "x", &error));
    EXPECT_EQ(error, "no file name");
}

}  // namespace
}  // namespace vendra
