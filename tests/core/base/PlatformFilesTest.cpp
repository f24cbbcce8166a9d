// What every system must do alike with files: bytes read and written as they are, non-files
// refused, a rewrite noticed, an existing file replaced whole. Built for Linux and for Windows.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/AtomicFile.h"
#include "core/base/PathNames.h"
#include "core/base/PlatformFiles.h"
#include "support/ScratchFolder.h"

namespace vendra {
namespace {

namespace fs = std::filesystem;

struct Scratch : test::ScratchFolder {
    Scratch() : ScratchFolder("vendra-files") {}
};
using test::ReadFile;

std::string ReadAll(std::FILE* file) {
    std::string bytes;
    for (int c; (c = GetcUnlocked(file)) != EOF;) bytes += static_cast<char>(c);
    return bytes;
}

// Every byte value, line ends of each kind and Ctrl-Z among them.
std::string AwkwardBytes() {
    std::string bytes = "line\r\nnext\nlast\r\x1a";
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

TEST(PlatformFiles, ReadingGivesTheBytesOnDiskRefusesNonFilesAndNoticesARewrite) {
    Scratch s;
    const std::string bytes = AwkwardBytes();
    std::ofstream(s("data.def"), std::ios::binary) << bytes;

    int error = 0;
    FileStamp stamp;
    std::FILE* file = OpenRegularFile(s("data.def"), error, &stamp);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(stamp.Size, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(ReadAll(file), bytes);
    EXPECT_FALSE(FileChangedSince(file, stamp));
    std::ofstream(s("data.def"), std::ios::binary | std::ios::app) << "more";
    EXPECT_TRUE(FileChangedSince(file, stamp));
    std::fclose(file);

    const struct {
        std::string path;
        int error;
    } refused[] = {{s("missing.def"), ENOENT}, {s(""), EISDIR}, {s("."), EISDIR}};
    for (const auto& r : refused) {
        error = 0;
        EXPECT_EQ(OpenRegularFile(r.path, error), nullptr) << r.path;
        EXPECT_EQ(error, r.error) << r.path;
    }

    EXPECT_TRUE(EntryExists(s("data.def")));
    EXPECT_FALSE(EntryExists(s("missing.def")));
    EXPECT_EQ(StatusOf(s("data.def")).Kind, FileKind::Regular);
    EXPECT_EQ(StatusOf(s.root.string()).Kind, FileKind::Folder);
    EXPECT_EQ(StatusOf(s("missing.def")).Error, ENOENT);
}

TEST(PlatformFiles, SavingReplacesAnExistingFileWholeAndLeavesNothingBeside) {
    Scratch s;
    const std::string bytes = AwkwardBytes();
    std::string error;
    // New, then over an existing longer file, then over a shorter one.
    for (const std::string& content : {std::string("first\r\n"), bytes, std::string("x")}) {
        ASSERT_TRUE(WriteFileAtomically(s("saved.def"), content, &error)) << error;
        EXPECT_EQ(ReadFile(s("saved.def")), content);
        int entries = 0;
        for (auto& e : fs::directory_iterator(s.root)) entries += e.exists() ? 1 : 0;
        EXPECT_EQ(entries, 1) << "a temporary file was left";
    }

    fs::create_directory(s("folder.def"));
    EXPECT_FALSE(WriteFileAtomically(s("folder.def"), "x", &error));
    EXPECT_EQ(error, s("folder.def") + " is a folder, not a file");
    EXPECT_FALSE(WriteFileAtomically(s("no/such/folder/file"), "x", &error));
    EXPECT_EQ(error.rfind("cannot create the file: ", 0), 0u) << error;
}

TEST(PlatformFiles, FileNamesEndAtTheSystemsSeparators) {
    const struct {
        const char* path;
        const char* name;
        bool extension;
    } cases[] = {
        {"programs/pick.def", "pick.def", true},
        {"programs.v2/pick", "pick", false},
        {".hidden", ".hidden", false},
#ifdef _WIN32
        {"C:\\programs.v2\\pick", "pick", false},
        {"C:\\programs\\pick.IEE", "pick.IEE", true},
#else
        {"odd\\name.v2", "odd\\name.v2", true},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(HasExtension(c.path), c.extension) << c.path;
    }
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(PathInFolder(".", "Config.cfg"), "Config.cfg");
    EXPECT_EQ(PathInFolder("", "Config.cfg"), "Config.cfg");
    EXPECT_EQ(PathInFolder("setup", "Config.cfg"), "setup" + sep + "Config.cfg");
    EXPECT_EQ(PathInFolder("setup/", "Config.cfg"), "setup/Config.cfg");
}

}  // namespace
}  // namespace vendra
