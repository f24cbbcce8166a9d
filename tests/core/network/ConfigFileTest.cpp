// "Config.cfg" in every shape it is found in, and what the program writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/network/ConfigFile.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedOperator.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#include "support/WithoutRights.h"
#endif

namespace vendra {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDefaultFile = "1\r\n120\r\n200\r\n250\r\n0\r\n250\r\n60\r\n";

class ConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = test::MakeScratchFolder("vendra-config"); }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }

    void Put(const std::string& bytes) {
        std::ofstream(dir / "Config.cfg", std::ios::binary) << bytes;
    }
    std::string Get() {
        std::ifstream in(dir / "Config.cfg", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<int32_t> Values() {
        return {config.CommPortNumber, config.ReplyTimeout, config.MainWindowTime,
                config.TempWinTime,    config.TXDdelay,     config.EncoderWinTime,
                config.InitTimeout};
    }
    int Read() { return ReadConfiguration(config, op, dir.string()); }

    fs::path dir;
    Configuration config;
    test::ScriptedOperator op;
};

TEST_F(ConfigFileTest, MissingFileAnsweredYesCreatesTheDefaultFile) {
    op.QueueButton(mb::IdYes);
    EXPECT_EQ(Read(), 0);
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Error, Can not Open Configuration file, Would you like to create one???");
    EXPECT_EQ(boxes[0].title, "VDWin Error Message");
    EXPECT_EQ(boxes[0].flags, 52u);
    EXPECT_EQ(Get(), kDefaultFile);
    EXPECT_EQ(Values(), (std::vector<int32_t>{1, 120, 200, 250, 0, 250, 60}));
    EXPECT_FALSE(fs::exists(dir / "Config.cfg.new"));
}

TEST_F(ConfigFileTest, MissingFileAnsweredNoKeepsDefaultsAndCreatesNothing) {
    op.QueueButton(mb::IdNo);
    config.ReplyTimeout = 333;  // what memory holds stays
    EXPECT_EQ(Read(), 0);
    EXPECT_FALSE(fs::exists(dir / "Config.cfg"));
    EXPECT_EQ(config.ReplyTimeout.load(), 333);
}

TEST_F(ConfigFileTest, EveryLineEndingReadsAsSevenLines) {
    const std::vector<int32_t> expected{3, 150, 210, 260, 2, 270, 80};
    for (const char* eol : {"\r\n", "\r", "\n"}) {
        std::string text;
        for (int32_t v : expected) text += std::to_string(v) + eol;
        Put(text);
        Configuration fresh;
        EXPECT_EQ(ReadConfiguration(fresh, op, dir.string()), 1);
        std::vector<int32_t> got{fresh.CommPortNumber, fresh.ReplyTimeout, fresh.MainWindowTime,
                                 fresh.TempWinTime,    fresh.TXDdelay,     fresh.EncoderWinTime,
                                 fresh.InitTimeout};
        EXPECT_EQ(got, expected) << "line end " << (eol[0] == '\n' ? "LF" : eol[1] ? "CRLF" : "CR");
    }
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(ConfigFileTest, ShortEmptyAndDamagedFilesGiveZerosAndAWarning) {
    Put("4\r\n100\r\n300\r\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(Values(), (std::vector<int32_t>{4, 100, 300, 0, 0, 0, 0}));
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("line(s) 4, 5, 6, 7"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_EQ(Get(), "4\r\n100\r\n300\r\n");  // nothing is rewritten

    op.ClearRecords();
    Put("");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(Values(), (std::vector<int32_t>(7, 0)));
    ASSERT_EQ(op.Boxes().size(), 1u);

    // atol conventions: blanks and sign, digits, trailing text ignored; no digits gives 0.
    op.ClearRecords();
    Put("  2abc\r\n-15\r\nabc\r\n+7\r\n\r\n9 9\r\n4294967295\r\nextra\r\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(Values(), (std::vector<int32_t>{2, -15, 0, 7, 0, 9, -1}));
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_NE(op.Boxes()[0].text.find("line(s) 3, 5;"), std::string::npos) << op.Boxes()[0].text;
}

TEST_F(ConfigFileTest, CtrlZAndLongLinesEndTheirLineSafely) {
    // Ctrl-Z ends a line; reading goes on after it.
    Put("7\r\n99\x1a"
        "5\r\n1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(Values(), (std::vector<int32_t>{7, 99, 5, 1, 2, 3, 4}));

    // A line far longer than the buffer is cut; the next line is still the next value.
    std::string longLine = "2" + std::string(5000, 'x');
    Put(longLine + "\r\n121\r\n" + std::string(300, '9') + "\r\n4\r\n5\r\n6\r\n7\r\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(config.CommPortNumber.load(), 2);
    EXPECT_EQ(config.ReplyTimeout.load(), 121);
    EXPECT_EQ(config.MainWindowTime.load(), -1);  // atol saturates; the low 32 bits are stored
    EXPECT_EQ(config.InitTimeout.load(), 7);
}

// A file that is there but cannot be read is reported with the reason, and never offered to be
// replaced: answering Yes to a question about it would lose it.
TEST_F(ConfigFileTest, ExistingFileThatCannotBeReadIsReportedAndKept) {
    const std::string path = (dir / "Config.cfg").string();
    auto expectReported = [&](const std::string& reason, const std::string& box) {
        EXPECT_EQ(box, "Error, Can not read Configuration file " + path + ": " + reason +
                           "\nThe default values are used; the file is left as it is.");
    };

#ifndef _WIN32  // POSIX rights and symbolic links
    // No rights to read it.
    Put("7\r\n");
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(dir / "Config.cfg", test::RunsAsRoot()
                                            ? fs::perms::owner_read | fs::perms::owner_write
                                            : fs::perms::none);
    std::string box = test::WithoutRights([&] {
        test::ScriptedOperator nobody;
        nobody.QueueButton(mb::IdYes);
        Configuration c;
        int result = ReadConfiguration(c, nobody, dir.string());
        auto boxes = nobody.Boxes();
        if (boxes.size() != 1 || result != 0 || boxes[0].flags != 48u) return std::string("?");
        return boxes[0].text;
    });
    expectReported("Permission denied", box);
    fs::permissions(dir / "Config.cfg", fs::perms::owner_all);
    EXPECT_EQ(Get(), "7\r\n");
    fs::remove(dir / "Config.cfg");
#endif

    // A folder of that name.
    fs::create_directory(dir / "Config.cfg");
    op.QueueButton(mb::IdYes);
    EXPECT_EQ(Read(), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    expectReported("it is a folder, not a file", op.Boxes()[0].text);
    EXPECT_EQ(op.Boxes()[0].title, "VDWin Error Message");
    EXPECT_EQ(op.Boxes()[0].flags, 48u);
    EXPECT_TRUE(fs::is_directory(dir / "Config.cfg"));

#ifndef _WIN32
    // A link that leads round in a circle.
    op.ClearRecords();
    fs::remove(dir / "Config.cfg");
    fs::create_symlink("Config.cfg", dir / "Config.cfg");
    op.QueueButton(mb::IdYes);
    EXPECT_EQ(Read(), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    expectReported("Too many levels of symbolic links", op.Boxes()[0].text);
    EXPECT_TRUE(fs::is_symlink(dir / "Config.cfg"));
#endif
    EXPECT_EQ(config.ReplyTimeout.load(), 120);  // the defaults stay
}

TEST_F(ConfigFileTest, HugeNumbersSaturateAndHugeFilesAreNotReadToTheirEnd) {
    // 2^64 + 1 and more: as large as a value gets, never wrapped round to a small one.
    Put("18446744073709551617\r\n99999999999999999999\r\n9223372036854775807\r\n"
        "9223372036854775808\r\n3\r\n4\r\n5\r\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(Values(), (std::vector<int32_t>{-1, -1, -1, -1, 3, 4, 5}));
    EXPECT_EQ(ConfigAtol("4294967297"), -1);
    EXPECT_EQ(ConfigAtol("4294967295"), -1);  // the writer's form of -1
    EXPECT_EQ(ConfigAtol("2147483648"), INT32_MIN);
    EXPECT_EQ(ConfigAtol("-2147483648"), INT32_MIN);
    EXPECT_EQ(ConfigAtol("-99999999999999999999999"), INT32_MIN);

    // 100 MB in one line: read only as far as the seven lines may reach.
    op.ClearRecords();
    Put("");
    fs::resize_file(dir / "Config.cfg", 100u << 20);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(), 1);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_LT(ms, 300);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_NE(op.Boxes()[0].text.find("line(s) 1, 2, 3, 4, 5, 6, 7"), std::string::npos);
}

TEST_F(ConfigFileTest, WrittenFilesReadBackUnchanged) {
    config.CommPortNumber = 12;
    config.ReplyTimeout = -5;
    config.MainWindowTime = 0;
    config.TempWinTime = 2147483647;
    config.TXDdelay = -2147483647 - 1;
    config.EncoderWinTime = 1;
    config.InitTimeout = 65536;
    ASSERT_EQ(WriteConfiguration(config, op, dir.string()), 1);
    EXPECT_EQ(Get(), "12\r\n4294967291\r\n0\r\n2147483647\r\n2147483648\r\n1\r\n65536\r\n");
    Configuration back;
    ASSERT_EQ(ReadConfiguration(back, op, dir.string()), 1);
    EXPECT_EQ(back.ReplyTimeout.load(), -5);
    EXPECT_EQ(back.TXDdelay.load(), -2147483647 - 1);
    EXPECT_EQ(back.InitTimeout.load(), 65536);
    EXPECT_TRUE(op.Boxes().empty());
}

#ifndef _WIN32  // file-size limits, POSIX rights and symbolic links
TEST_F(ConfigFileTest, FailedSaveReportsAndLeavesTheOldFile) {
    Put(kDefaultFile);
    config.ReplyTimeout = 999;
    int result;
    {  // a file-size limit makes the write fail part-way, as a full disk would
        test::FileSizeLimit limit(4);
        ASSERT_TRUE(limit.Set());
        result = WriteConfiguration(config, op, dir.string());
    }
    EXPECT_EQ(result, 0);
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error, Can not Save Configuration file");
    EXPECT_EQ(boxes[0].title, "VDWin Error Message");
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_EQ(Get(), kDefaultFile);
    EXPECT_EQ(config.ReplyTimeout.load(), 999);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary file was left";

    op.ClearRecords();
    EXPECT_EQ(WriteConfiguration(config, op, (dir / "no-such-folder").string()), 0);
    EXPECT_EQ(op.Boxes().size(), 1u);
}

// A "Config.cfg" that is a link to a file kept elsewhere stays a link and that file keeps its
// permissions; a folder where no new file may be created still gets its writable file saved.
TEST_F(ConfigFileTest, SaveKeepsALinkItsPermissionsAndWorksInALockedFolder) {
    fs::create_directory(dir / "shared");
    std::ofstream(dir / "shared" / "vendra.cfg", std::ios::binary) << kDefaultFile;
    fs::permissions(dir / "shared" / "vendra.cfg", fs::perms(0640));
    fs::create_symlink("shared/vendra.cfg", dir / "Config.cfg");
    config.ReplyTimeout = 300;
    EXPECT_EQ(WriteConfiguration(config, op, dir.string()), 1);
    EXPECT_TRUE(fs::is_symlink(dir / "Config.cfg"));
    EXPECT_EQ(Get(), "1\r\n300\r\n200\r\n250\r\n0\r\n250\r\n60\r\n");
    EXPECT_EQ(fs::status(dir / "shared" / "vendra.cfg").permissions(), fs::perms(0640));

    fs::remove(dir / "Config.cfg");
    Put(kDefaultFile);
    fs::permissions(dir / "Config.cfg", fs::perms(0666));
    fs::permissions(dir, fs::perms(0555));
    config.ReplyTimeout = 400;
    int result = test::RunUnprivileged([&] {
        test::ScriptedOperator quiet;
        return WriteConfiguration(config, quiet, dir.string()) == 1 && quiet.Boxes().empty() ? 0
                                                                                             : 1;
    });
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Get(), "1\r\n400\r\n200\r\n250\r\n0\r\n250\r\n60\r\n");
}

#endif

}  // namespace
}  // namespace vendra
