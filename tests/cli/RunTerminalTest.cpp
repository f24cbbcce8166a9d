// A vendra-run session whose stdin is a "terminal" (a pipe), with the runner on its own thread
// against the simulator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/RunOptions.h"
#include "cli/RunSession.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

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
                session.Abort();
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
