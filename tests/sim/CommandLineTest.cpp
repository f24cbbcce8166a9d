// vendra-sim's command line: the option table's parsing order and refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/CommandLine.h"

namespace vendra::sim::test {
namespace {

bool Parse(std::vector<const char*> args, CommandLine& line, std::string& error) {
    args.insert(args.begin(), "vendra-sim");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), line, error);
}

TEST(SimCommandLine, OptionsAreAppliedAndRefusedWithTheirReason) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(Parse({"--dir",          "/tmp/x", "--port",         "7",
                       "--units",        "D3",     "--units",        "X1:ver=106",
                       "--baud",         "115200", "--pace",         "--lower-case",
                       "--speed",        "0",      "--busy",         "w",
                       "--done",         ">",      "--fault",        "late:match=D3:ms=5",
                       "--vanish-after", "900",    "--return-after", "250",
                       "--log",          "l.txt"},
                      line, error))
        << error;
    const Options& o = line.options;
    EXPECT_EQ(o.folder, "/tmp/x");
    EXPECT_EQ(o.port, 7);
    ASSERT_EQ(o.units.size(), 2u);
    EXPECT_EQ(o.units[1].Name(), "X1");
    EXPECT_EQ(o.boardBaud, 115200u);
    EXPECT_TRUE(o.pace);
    EXPECT_TRUE(o.lowerCaseReplies);
    EXPECT_EQ(o.defaultSpeed, 0.0);
    EXPECT_EQ(o.defaultBusy, 'w');
    EXPECT_EQ(o.defaultDone, '>');
    EXPECT_EQ(o.faults, std::vector<std::string>{"late:match=D3:ms=5"});
    EXPECT_EQ(line.vanishAfterMs, 900);
    EXPECT_EQ(o.returnAfterMs, 250);
    EXPECT_EQ(o.logFile, "l.txt");
    EXPECT_FALSE(o.keepMemoryLog);
    EXPECT_FALSE(o.stampedFrames);
    CommandLine stamped;
    ASSERT_TRUE(Parse({"--stamps"}, stamped, error)) << error;
    EXPECT_TRUE(stamped.options.stampedFrames);

    const struct {
        std::vector<const char*> args;
        const char* error;
    } refused[] = {
        {{"--bogus"}, "unknown option --bogus (see --help)"},
        {{"--port"}, "--port needs a value (see --help)"},
        {{"--port", "0"}, "--port needs a number 1..255"},
        {{"--baud", "1234"},
         "--baud needs one of 9600, 19200, 38400, 57600, 115200, 230400, 460800"},
        {{"--speed", "fast"}, "--speed needs steps per second"},
        {{"--busy", "bb"}, "--busy needs one status character"},
        {{"--vanish-after", "-1"}, "--vanish-after needs milliseconds"},
        {{"--return-after", "soon"}, "--return-after needs milliseconds"},
    };
    for (const auto& c : refused) {
        CommandLine l;
        std::string e;
        EXPECT_FALSE(Parse(c.args, l, e)) << c.error;
        EXPECT_EQ(e, c.error);
    }
}

TEST(SimCommandLine, HelpListsEveryOptionOfTheTable) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "2", "--help", "--bogus"}, line, error));
    EXPECT_TRUE(line.help);  // --help ends the reading: later arguments do not matter
    const std::string help = HelpText();
    for (const char* name :
         {"--dir DIR", "--port N", "--units LIST", "--network FILE", "--baud RATE", "--pace",
          "--speed N", "--busy C", "--done C", "--memory N", "--fault RULE", "--vanish-after MS",
          "--return-after MS", "--log FILE", "--help", "--stamps"})
        EXPECT_NE(help.find(std::string("  ") + name), std::string::npos) << name;
}

}  // namespace
}  // namespace vendra::sim::test
