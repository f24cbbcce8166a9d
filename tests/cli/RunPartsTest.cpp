// vendra-run's parts in the test's own process: how answers name buttons and values, the
// command line's refusals, and a session whose questions are typed on a "terminal" (a pipe) and
// cut short by Abort, with the runner on its own thread.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/CliOperator.h"
#include "cli/RunOptions.h"
#include "cli/RunSession.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

TEST(RunParts, AnswersNameTheButtonsOfTheirBoxAndValues) {
    const struct {
        const char* answer;
        unsigned flags;
        int button;
    } kButtons[] = {
        {"ok", mb::Ok, mb::IdOk},
        {"OK", mb::OkCancel, mb::IdOk},
        {"c", mb::OkCancel, mb::IdCancel},
        {"yes", mb::OkCancel, 0},
        {"Y", mb::YesNoCancel, mb::IdYes},
        {"no", mb::YesNo, mb::IdNo},
        {"cancel", mb::YesNo, 0},
        {"a", mb::AbortRetryIgnore, mb::IdAbort},
        {"Retry", mb::RetryCancel, mb::IdRetry},
        {"ignore", mb::AbortRetryIgnore | mb::IconQuestion, mb::IdIgnore},
        {"", mb::Ok, 0},
        {"okay", mb::Ok, 0},
    };
    for (const auto& b : kButtons)
        EXPECT_EQ(ButtonForAnswer(b.answer, b.flags), b.button) << b.answer << " " << b.flags;
    EXPECT_EQ(ButtonWords(mb::YesNoCancel | mb::IconQuestion), "yes/no/cancel");
    EXPECT_EQ(DecliningButton(mb::YesNoCancel), mb::IdCancel);
    EXPECT_EQ(DecliningButton(mb::YesNo), mb::IdNo);
    EXPECT_EQ(DecliningButton(mb::AbortRetryIgnore), mb::IdAbort);
    EXPECT_EQ(DecliningButton(mb::Ok), mb::IdOk);

    EXPECT_EQ(ValueForAnswer("0"), 0u);
    EXPECT_EQ(ValueForAnswer("4294967295"), 4294967295u);
    for (const char* bad : {"4294967296", "-1", "12a", "", " 5", "99999999999"})
        EXPECT_FALSE(ValueForAnswer(bad).has_value()) << bad;

    EXPECT_EQ(ParseAnswersText("# comment\n  yes \r\n\n\t42\nno"),
              (std::vector<std::string>{"yes", "42", "no"}));
    std::vector<std::pair<UnitGroup, unsigned>> units;
    std::string error;
    ASSERT_TRUE(ParseUnitList("D3,x1,QF,u0,H1", units, error)) << error;
    EXPECT_EQ(units, (std::vector<std::pair<UnitGroup, unsigned>>{{UnitGroup::DBoard, 3},
                                                                  {UnitGroup::AxisBoard, 1},
                                                                  {UnitGroup::QBoard, 15},
                                                                  {UnitGroup::UBoard, 0},
                                                                  {UnitGroup::HBoard, 1}}));
    EXPECT_FALSE(ParseUnitList("D3,D3", units, error));
    EXPECT_EQ(error, "D3 is named twice");
    EXPECT_FALSE(ParseUnitList("D10", units, error));
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

TEST(RunParts, OptionsAreTakenOrRefusedWithTheirReason) {
    RunOptions o;
    std::string error;
    ASSERT_TRUE(ParseRunOptions({"--device",
                                 "/dev/ttyUSB0",
                                 "--baud",
                                 "115200",
                                 "--port",
                                 "4",
                                 "--reply-timeout",
                                 "80",
                                 "--init-timeout",
                                 "0",
                                 "--answer",
                                 "y",
                                 "--answer",
                                 "12",
                                 "--log",
                                 "c.log",
                                 "--json",
                                 "--reconnect-s",
                                 "0",
                                 "--resume-after-reconnect",
                                 "p.def"},
                                o, error))
        << error;
    EXPECT_EQ(o.program, "p.def");
    EXPECT_EQ(o.device, "/dev/ttyUSB0");
    EXPECT_EQ(o.baud, 115200u);
    EXPECT_EQ(o.port, 4);
    EXPECT_EQ(o.replyTimeout, 80);
    EXPECT_EQ(o.initTimeout, 0);
    EXPECT_EQ(o.answers, (std::vector<std::string>{"y", "12"}));
    EXPECT_EQ(o.logFile, "c.log");
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.reconnectSeconds, 0);
    EXPECT_TRUE(o.resumeAfterReconnect);

    const struct {
        std::vector<std::string> args;
        const char* error;
    } kRefused[] = {
        {{"a.def", "b.def"}, "one program only (a.def, b.def)"},
        {{"--port", "41", "a.def"}, "--port needs a number 1..40"},
        {{"--reconnect-s", "-1", "a.def"}, "--reconnect-s needs a number 0..86400"},
        {{"--reply-timeout", "fast", "a.def"}, "--reply-timeout needs a number 0..600000"},
        {{"a.def", "--answer"}, "--answer needs a value (see --help)"},
        {{"--units", "", "a.def"}, "--units: no unit given"},
    };
    for (const auto& r : kRefused) {
        RunOptions refused;
        std::string e;
        EXPECT_FALSE(ParseRunOptions(r.args, refused, e)) << r.error;
        EXPECT_EQ(e, r.error);
    }
}

// A session whose stdin is a terminal: a typed slip is asked again, and Abort (a signal) ends a
// question that waits for typing, and with it the run.
TEST(RunParts, TerminalQuestionsAreAskedAgainAndAbortEndsThem) {
    SimNetwork net;
    ASSERT_TRUE(net.Start("D3:speed=0"));
    const std::string program = net.File("ask.def");
    std::ofstream(program) << "user_input,2,0,done,\"Move?\"      ;No: done\n"
                              "DBoard,3,\"A5\"\n"
                              "user_input,1,0,0,\"Again?\"\n"
                              "DBoard,3,\"A6\"\n"
                              "label,\"done\"\n"
                              "end_program\n";
    for (bool abort : {false, true}) {
        SCOPED_TRACE(abort ? "abort" : "typed");
        net->ClearLog();
        int typed[2];
        ASSERT_EQ(pipe(typed), 0);
        // The first answer is a slip; the second question is left waiting unless typed.
        const std::string keys = abort ? "maybe\nyes\n" : "maybe\nyes\nok\n";
        ASSERT_EQ(write(typed[1], keys.data(), keys.size()), ssize_t(keys.size()));
        RunOptions options;
        options.program = program;
        options.units = "D3";
        options.folder = net.Folder().string();
        std::ostringstream out, err;
        {
            RunSession session(options, out, err, RunSession::Terminal{typed[0], false});
            ASSERT_EQ(session.Prepare(), 0);
            session.Start();
            if (abort) {
                ASSERT_TRUE(net->WaitForFrames(1, 5000));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                session.Abort(false);
            }
            ASSERT_TRUE(session.WaitFinished(5000));
            EXPECT_EQ(session.Finish(), abort ? kRunSignalled : kRunEnded);
        }
        close(typed[0]);
        close(typed[1]);
        const std::string said = err.str();
        EXPECT_NE(said.find("VDWin User Message: Move?\n[yes/no]? VDWin User Message: "
                            "Move?\n[yes/no]? vendra-run: VDWin User Message: Move? -> yes\n"),
                  std::string::npos)
            << said;
        const std::vector<std::string> expected =
            abort ? std::vector<std::string>{"D3A5\r", "GG!\r"}
                  : std::vector<std::string>{"D3A5\r", "D3A6\r"};
        EXPECT_EQ(net->ReceivedFrames(), expected);
    }
}

}  // namespace
}  // namespace vendra::test
