// A line that goes away during a run holds the run at its line, as the program wires it: the
// simulated line vanishes during a motion wait or a delay and comes back with the same units (the
// run goes on from the held line), with a unit missing or changed (the run ends naming it), or
// never (Abort ends the run).
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "RunnerRig.h"
#include "core/base/Clock.h"

namespace vendra::test {
namespace {

// The frames received after the first `skip` ones.
std::vector<std::string> FramesAfter(const sim::Simulator& sim, size_t skip) {
    std::vector<std::string> frames = sim.ReceivedFrames();
    frames.erase(frames.begin(), frames.begin() + std::min(skip, frames.size()));
    return frames;
}

// The time (monotonic us) the simulator received the first frame equal to `text` from index
// `from` on; -1 when none.
int64_t FrameTimeUs(const sim::Simulator& sim, const std::string& text, size_t from) {
    std::vector<sim::FrameRecord> frames = sim.Frames();
    size_t accepted = 0;
    for (const auto& f : frames) {
        if (f.ignored) continue;
        if (accepted++ >= from && f.text == text) return f.timeUs;
    }
    return -1;
}

// The runner has written the stop frame; the simulator takes it on its own thread.
bool StopFrameArrives(const sim::Simulator& sim) {
    return WaitUntil(
        [&] {
            const std::vector<std::string> frames = sim.ReceivedFrames();
            return !frames.empty() && frames.back() == "GG!\r";
        },
        1000);
}

bool HasMessage(const ScriptedOperator& op, const std::string& text) {
    auto messages = op.SystemMessages();
    return std::find(messages.begin(), messages.end(), text) != messages.end();
}

const char* const kHeldMessage =
    "Communications Port lost (%s): the program waits at line 2 for it to come back";

std::string Held(const RunnerRig& rig) {
    char text[300];
    std::snprintf(text, sizeof text, kHeldMessage, rig.line.DevicePath().c_str());
    return text;
}

struct Outage {
    const char* name;
    const char* program;
    // How the line goes: a vanish fault on a frame (the frame is taken, its answer is lost), or,
    // when null, VanishLine once `framesBeforeLoss` frames were received.
    const char* fault;
    size_t framesBeforeLoss;
    // What the simulator receives once the line is back: the unit asked who it is, then the held
    // line again and what follows it.
    std::vector<std::string> framesAfterReturn;
    int resumedLineMs;  // the held line takes at least this long once resumed
    bool repeats;       // the held line's command reached the line and would do its work twice
};

void PrintTo(const Outage& o, std::ostream* os) {
    *os << o.name;
}

const Outage kOutages[] = {
    // D3 travels 4000 steps at 4000 steps/s; the line goes while its status is being polled.
    {"DuringMotionWait",
     "DBoard,3,\"A4000\"\nwait_DBoard_done,3,\"\";\nDBoard,3,\"A0\"\nset_temp,1,1\nend_program\n",
     nullptr,
     3,
     {"D3v0\r", "D3\r"},
     0,
     false},
    // The line goes during the delay: the run is held at the delay, which runs in full again.
    {"DuringDelay",
     "DBoard,3,\"A10\"\ndelay,600\nDBoard,3,\"A20\"\nset_temp,1,1\nend_program\n",
     nullptr,
     1,
     {"D3v0\r", "D3A20\r"},
     600,
     false},
    // Only the answer was lost: a relative move, or a raw command, would be done twice.
    {"AfterARelativeMoveWentOut",
     "set_temp,2,2\nDBoard,3,\"R+100\"\nset_temp,1,1\nend_program\n",
     "vanish:match=D3R:once",
     0,
     {"D3v0\r", "D3R+100\r"},
     0,
     true},
    {"AfterARawCommandWentOut",
     "set_temp,2,2\nvsend,\"D3R+5\"\nset_temp,1,1\nend_program\n",
     "vanish:match=D3R:once",
     0,
     {"D3v0\r", "D3R+5\r"},
     0,
     true},
    // Asking again changes nothing.
    {"AfterAVersionQueryWentOut",
     "set_temp,2,2\nDBoard,3,\"v3\"\nset_temp,1,1\nend_program\n",
     "vanish:match=D3v3:once",
     0,
     {"D3v0\r", "D3v3\r"},
     0,
     false},
    {"AfterAStatusQueryWentOut",
     "set_temp,2,2\nDBoard,3,\"\";\nset_temp,1,1\nend_program\n",
     "vanish:match=D3:once",
     0,
     {"D3v0\r", "D3\r"},
     0,
     false},
    // The line went before the move's frame could be written: it goes out once, after the return.
    {"BeforeARelativeMoveWentOut",
     "delay,200\nDBoard,3,\"R+100\"\nset_temp,1,1\nend_program\n",
     nullptr,
     0,
     {"D3v0\r", "D3R+100\r"},
     0,
     false},
};

class LineHold : public ::testing::TestWithParam<Outage> {};

TEST_P(LineHold, RestoredWithTheSameUnitsTheRunGoesOnFromTheHeldLine) {
    const Outage& o = GetParam();
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3:speed=4000"));
    ASSERT_TRUE(rig.Load(o.program));
    if (o.fault != nullptr) {
        ASSERT_NE(rig.simulator->AddFault(o.fault), 0);
    }
    rig.op.QueueButton(mb::IdYes);
    rig.control.RunButtonClick();
    if (o.fault == nullptr) {
        ASSERT_TRUE(rig.simulator->WaitForFrames(o.framesBeforeLoss, 2000));
        if (o.framesBeforeLoss <= 1) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rig.simulator->VanishLine();
    }

    // Held: nothing is sent, nothing is reported as an error, the window says the program waits.
    ASSERT_TRUE(WaitUntil([&] { return HasMessage(rig.op, Held(rig)); }, 2000));
    EXPECT_EQ(rig.state.Run.LineHold.load(), 1u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 1u);
    EXPECT_EQ(rig.Pointer(), 1);
    EXPECT_TRUE(rig.runner.Active());
    EXPECT_TRUE(rig.op.Boxes().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const size_t before = rig.simulator->ReceivedFrames().size();
    ASSERT_TRUE(rig.simulator->ReturnLine());
    const auto returnedUs = static_cast<int64_t>(TickUs());
    ASSERT_TRUE(rig.runner.WaitFinished(8000));

    std::vector<std::string> after = FramesAfter(*rig.simulator, before);
    ASSERT_GE(after.size(), o.framesAfterReturn.size());
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + o.framesAfterReturn.size()),
              o.framesAfterReturn);
    EXPECT_EQ(rig.Reg(1), 1u) << "the program ran to its end";
    EXPECT_EQ(rig.state.Run.LineHold.load(), 0u);
    EXPECT_EQ(rig.core.Reconnect.LastEnd(), LineReconnect::End::Resumed);

    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The Communications Port (" + rig.line.DevicePath() +
                                 ") is back and every unit answers as before.\n"
                                 "The boards' positions may have changed while the line was "
                                 "down.\n" +
                                 (o.repeats ? "Resuming repeats a command: line 2's command "
                                              "reached the line before it was lost and will be "
                                              "sent again.\n"
                                            : "") +
                                 "\nResume the program at line 2?");
    EXPECT_EQ(boxes[0].flags, mb::IconQuestion | mb::YesNo | mb::SystemModal);
    EXPECT_TRUE(HasMessage(rig.op, "Communications Port back (" + rig.line.DevicePath() +
                                       "): the program goes on at line 2"));

    const int64_t firstUs = FrameTimeUs(*rig.simulator, o.framesAfterReturn[1], before);
    ASSERT_GT(firstUs, 0);
    if (o.resumedLineMs == 0) {
        // From the device's return to the first frame of the held line: the look for the device
        // (every 500 ms), then the units' answers.
        std::cout << "[ figure ] return to first resumed frame: " << (firstUs - returnedUs) / 1000
                  << " ms\n";
        EXPECT_LT(firstUs - returnedUs, 1'000'000);
    } else {
        const int64_t askedUs = FrameTimeUs(*rig.simulator, "D3v0\r", before);
        EXPECT_GE(firstUs - askedUs, o.resumedLineMs * 1000);
    }
}

INSTANTIATE_TEST_SUITE_P(Outages, LineHold, ::testing::ValuesIn(kOutages),
                         [](const auto& info) { return std::string(info.param.name); });

// The units are asked again as the scan asked them: a unit that does not answer and one that
// answers another version are both named, and the run ends at the held line.
TEST(LineHoldUnits, RestoredWithAUnitMissingOrChangedTheRunEndsNamingThem) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3:speed=4000:ver=205,Q0"));
    // A scan records what each unit answered.
    ClearUnitMap(rig.state.Units);
    rig.state.Config.CommPortNumber = 7;
    rig.state.Config.InitTimeout = 30;
    rig.core.Network.SetSettleMs(0);
    {
        LineSession line = rig.line.Take(LineUser::NetworkInit);
        ASSERT_EQ(rig.core.Network.InitialiseNetwork(line), 1);
    }
    ASSERT_EQ(rig.state.Units.totalUnits.load(), 2u);
    rig.simulator->ClearLog();
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"A4000\"\nwait_DBoard_done,3,\"\";\nset_temp,1,1\nend_program\n"));
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.simulator->WaitForFrames(3, 2000));
    rig.simulator->VanishLine();
    ASSERT_TRUE(WaitUntil([&] { return HasMessage(rig.op, Held(rig)); }, 2000));

    ASSERT_NE(rig.simulator->AddFault("noreply:match=Q0v0"), 0);
    ASSERT_TRUE(rig.simulator->SetItem("D3", 0, "206"));
    ASSERT_TRUE(rig.simulator->ReturnLine());
    ASSERT_TRUE(rig.runner.WaitFinished(8000));

    EXPECT_EQ(rig.Reg(1), 0u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    EXPECT_EQ(rig.core.Reconnect.LastEnd(), LineReconnect::End::UnitsChanged);
    const std::string expected = "The Communications Port (" + rig.line.DevicePath() +
                                 ") is back, but not every unit answers as before:\n"
                                 "DBoard unit 3 answers \"206\" (it answered \"205\")\n"
                                 "QBoard unit 0 does not answer\n"
                                 "The program has been stopped at line 2.";
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, expected);
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
    EXPECT_EQ(rig.core.Reconnect.LastEndText(), expected);
    // Only the questions went out once the line was back, then the stop frame: the held line
    // was not run again, and a move the line left running does not go on.
    ASSERT_TRUE(StopFrameArrives(*rig.simulator));
    const std::vector<std::string> frames = rig.simulator->ReceivedFrames();
    EXPECT_EQ(std::vector<std::string>(frames.end() - 3, frames.end()),
              (std::vector<std::string>{"D3v0\r", "Q0v0\r", "GG!\r"}));
    // The line stays open for whatever the operator does next.
    EXPECT_TRUE(rig.line.IsOpen());
}

// Declining to resume ends the run where it was held; only the stop frame goes out, so the move
// that was under way when the line went does not go on.
TEST(LineHoldUnits, DecliningToResumeEndsTheRun) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3:speed=4000"));
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"A4000\"\nwait_DBoard_done,3,\"\";\nset_temp,1,1\nend_program\n"));
    rig.op.QueueButton(mb::IdNo);
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.simulator->WaitForFrames(3, 2000));
    rig.simulator->VanishLine();
    ASSERT_TRUE(WaitUntil([&] { return HasMessage(rig.op, Held(rig)); }, 2000));
    ASSERT_TRUE(rig.simulator->ReturnLine());
    ASSERT_TRUE(rig.runner.WaitFinished(8000));
    EXPECT_EQ(rig.Reg(1), 0u);
    EXPECT_EQ(rig.Pointer(), 1);
    EXPECT_EQ(rig.core.Reconnect.LastEnd(), LineReconnect::End::Declined);
    ASSERT_TRUE(StopFrameArrives(*rig.simulator));
    const std::vector<std::string> frames = rig.simulator->ReceivedFrames();
    EXPECT_EQ(std::vector<std::string>(frames.end() - 2, frames.end()),
              (std::vector<std::string>{"D3v0\r", "GG!\r"}));
    EXPECT_FALSE(rig.simulator->GetMotor("D3")->moving);
    EXPECT_TRUE(HasMessage(rig.op, "The program was ended at line 2 after the line was lost"));
}

// A line that never comes back: Abort ends the held run at once, and so does the core's end (the
// program's exit) without waiting for the line.
TEST(LineHoldUnits, NeverRestoredAbortOrShutdownEndsTheRun) {
    for (bool abort : {true, false}) {
        SCOPED_TRACE(abort ? "Abort" : "shutdown");
        auto rig = std::make_unique<RunnerRig>();
        ASSERT_TRUE(rig->Connect("D3:speed=4000"));
        ASSERT_TRUE(
            rig->Load("DBoard,3,\"A4000\"\nwait_DBoard_done,3,\"\";\nset_temp,1,1\nend_program\n"));
        rig->control.RunButtonClick();
        ASSERT_TRUE(rig->simulator->WaitForFrames(3, 2000));
        rig->simulator->VanishLine();
        ASSERT_TRUE(WaitUntil([&] { return HasMessage(rig->op, Held(*rig)); }, 2000));
        const auto start = std::chrono::steady_clock::now();
        if (abort) {
            rig->control.AbortButtonClick();
            ASSERT_TRUE(rig->runner.WaitFinished(1000));
            EXPECT_EQ(rig->state.Run.ProgramRunning.load(), 0u);
            EXPECT_EQ(rig->Reg(1), 0u);
            EXPECT_EQ(rig->core.Reconnect.LastEnd(), LineReconnect::End::Stopped);
            EXPECT_TRUE(rig->op.Boxes().empty());
        } else {
            rig.reset();
        }
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count(),
                  400);
    }
}

}  // namespace
}  // namespace vendra::test
