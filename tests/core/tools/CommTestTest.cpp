// The communication test against the simulator over a real pty: the frames it sends (from the
// simulator's byte log), the mismatch message, Abort, cancelled questions, an absent unit, a unit
// that has gone quiet or answers with errors, a lost line, the progress it publishes and a
// shutdown in the middle of a test.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/app/Core.h"
#include "core/tools/CommTest.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra {
namespace {

using test::ScriptedOperator;
using test::SimNetwork;

// The frames a test sends for `steps` answered steps of `prefix` (e.g. "D3"), numbered from
// `first`, optionally followed by more frames.
std::vector<std::string> Steps(const std::string& prefix, uint32_t first, uint32_t count) {
    std::vector<std::string> frames;
    for (uint32_t n = first; n < first + count; ++n) {
        frames.push_back(prefix + "A" + std::to_string(n) + "\r");
        frames.push_back(prefix + "m\r");
    }
    return frames;
}

const char* const kMismatchText = "Found a Communcation Test Error Reponse\r    Host: 0, Board: 1 ";
const char* const kSilentQuestion =
    "The unit has not answered 10 times in a row.\nGo on with the communication test?";
std::string FailingQuestion(const std::string& error) {
    return "The unit has not answered correctly 10 times in a row (last error: " + error +
           ").\nGo on with the communication test?";
}

// A simulated network (declared first: it outlives the core), the program's core wired to the
// scripted operator, and the line open on the simulator with its units present.
struct CommTestRig {
    SimNetwork net;
    ScriptedOperator op;
    std::unique_ptr<Core> core;

    bool Connect(const std::string& units, const std::vector<std::string>& faults = {}) {
        sim::Options options;
        options.defaultSpeed = 0;
        options.faults = faults;
        if (!net.Start(units, options)) return false;
        core = std::make_unique<Core>(op);
        net.MarkPresent(core->State.Units);
        return net.Open(core->Line);
    }
    SystemState& State() { return core->State; }
    CommTest& Test() { return core->CommTestWorker; }
    // Answers the unit questions with `family` / `address` and the length with `steps`.
    void Choose(uint8_t family, uint8_t address, uint32_t steps) {
        op.QueueBoardType(true, family);
        op.QueueBoardAddress(true, address);
        op.QueueTestLength(steps);
    }
    bool RunToEnd(int timeoutMs = 60000) {
        return Test().Start() && Test().WaitFinished(timeoutMs);
    }
    std::vector<std::string> Frames() { return net->ReceivedFrames(); }
};

TEST(CommTestTables, ReadBackNumberTakesLeadingDigitsOnly) {
    const struct {
        const char* text;
        uint64_t number;
    } numbers[] = {{"16249", 16249},
                   {"", 0},
                   {"-5", 0},
                   {"12ab", 12},
                   {"4294967296", 4294967296ull},  // never wraps to a step number
                   {"99999999999999999999999", UINT64_MAX}};
    for (const auto& row : numbers) EXPECT_EQ(ReadBackNumber(row.text), row.number) << row.text;
}

TEST(CommTest, QuickTestEchoesEveryNumberThenSendsTheFinalFrame) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3,Q0"));
    rig.Choose(family::DBoard, 3, 16250);
    ASSERT_TRUE(rig.RunToEnd());

    std::vector<std::string> expected = Steps("D3", 0, 16250);
    expected.push_back("D3A0\r");
    EXPECT_EQ(rig.Frames(), expected);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.State().CommTest.TestCount.load(), 16250u);
    EXPECT_EQ(rig.State().Serial.Line.Owner(), LineUser::Idle);
    EXPECT_EQ(rig.op.MenuEnabled(MenuItem::CommDebugBox), 1);
    EXPECT_EQ(rig.op.MenuEnabled(MenuItem::RunProgram), 0);  // no program loaded
    EXPECT_EQ(rig.op.Beeps(), (std::vector<unsigned>{beep::Information, beep::Information}));
    // The progress group is back to rest.
    const CommTestProgress& p = rig.State().CommTest.Progress;
    EXPECT_EQ(p.Caption.Get(), "");
    EXPECT_EQ(p.Maximum.load(), 100u);
    EXPECT_EQ(p.Position.load(), 0u);
    EXPECT_EQ(rig.State().CommTest.CommTestActive.load(), 0u);
}

TEST(CommTest, EveryFamilySendsItsOwnFrames) {
    const struct {
        const char* units;
        uint8_t family;
        unsigned unit;
        const char* prefix;
    } rows[] = {{"U2", family::UBoard, 2, "U2"},
                {"H1", family::HBoard, 1, "H1"},
                {"X1", family::AxisW, 1, "W1"},
                {"X1", family::AxisZ, 1, "Z1"},
                {"QF", family::QBoard, 15, "QF"}};
    for (const auto& row : rows) {
        CommTestRig rig;
        ASSERT_TRUE(rig.Connect(row.units));
        LineSession line = rig.core->Line.Take(LineUser::CommTest);
        const CommTest::Outcome outcome = rig.Test().RunTest(line, row.unit, row.family, 3);
        EXPECT_EQ(outcome.stepsCounted, 3u) << row.prefix;
        EXPECT_EQ(outcome.mismatches, 0u) << row.prefix;
        std::vector<std::string> expected = Steps(row.prefix, 0, 3);
        expected.push_back(std::string(row.prefix) + "A0\r");
        EXPECT_EQ(rig.Frames(), expected) << row.prefix;
        EXPECT_TRUE(rig.op.Boxes().empty()) << row.prefix;
    }
}

TEST(CommTest, ReadBackOneHigherStopsAtTheFirstStep) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3", {"offby:match=D3m"}));
    rig.Choose(family::DBoard, 3, 16250);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Frames(), (std::vector<std::string>{"D3A0\r", "D3m\r", "D3A0\r"}));
    const auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kMismatchText);
    EXPECT_EQ(boxes[0].title, "Communication Error");
    EXPECT_EQ(boxes[0].flags, 0x1010u);
}

TEST(CommTest, AbortMakesTheNextStepTheLastWithTestCount) {
    CommTestRig rig;
    // Step 100's set command is answered late, so that Abort lands while it runs.
    ASSERT_TRUE(rig.Connect("D3", {"late:match=D3A100:ms=300:once"}));
    rig.State().Config.ReplyTimeout = 2000;
    rig.Choose(family::DBoard, 3, 16250);
    ASSERT_TRUE(rig.Test().Start());
    ASSERT_TRUE(rig.net->WaitForFrames(201, 20000));
    rig.core->RunControls.AbortButtonClick();
    ASSERT_TRUE(rig.Test().WaitFinished(5000));

    std::vector<std::string> expected = Steps("D3", 0, 101);
    expected.push_back("D3A16250\r");
    expected.push_back("D3m\r");
    expected.push_back("D3A0\r");
    EXPECT_EQ(rig.Frames(), expected);  // and no "GG!" in the middle of the test
    EXPECT_TRUE(rig.op.Boxes().empty());
}

TEST(CommTest, CancelledQuestionsSendNothingAndRestoreTheButtons) {
    const struct {
        const char* what;
        bool typeOk, addressOk;
        uint32_t steps;
        int lengthQuestions;
    } rows[] = {{"board type cancelled", false, true, 16250, 0},
                {"board address cancelled", true, false, 16250, 0},
                {"length cancelled", true, true, 0, 1}};
    for (const auto& row : rows) {
        CommTestRig rig;
        ASSERT_TRUE(rig.Connect("D3,U2"));
        rig.State().App.ProgramLoaded = 1;
        rig.op.QueueBoardType(row.typeOk, family::DBoard);
        rig.op.QueueBoardAddress(row.addressOk, 3);
        rig.op.QueueTestLength(row.steps);
        ASSERT_TRUE(rig.RunToEnd(5000)) << row.what;
        EXPECT_TRUE(rig.Frames().empty()) << row.what;
        EXPECT_EQ(rig.op.TestLengthQuestions(), row.lengthQuestions) << row.what;
        EXPECT_EQ(rig.State().CommTest.TestCount.load(), 0u) << row.what;
        EXPECT_EQ(rig.op.MenuEnabled(MenuItem::CommDebugBox), 1) << row.what;
        EXPECT_EQ(rig.op.MenuEnabled(MenuItem::RunProgram), 1) << row.what;
        EXPECT_TRUE(rig.op.Beeps().empty()) << row.what;
        EXPECT_EQ(rig.State().Serial.Line.Owner(), LineUser::Idle) << row.what;
    }
}

TEST(CommTest, RefusedQuietlyWhileTheSystemIsBusy) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3", {"late:match=D3A0:ms=300:once"}));
    rig.State().Config.ReplyTimeout = 2000;
    {
        LineSession runner = rig.core->Line.Take(LineUser::Runner);
        EXPECT_FALSE(rig.Test().Start());
    }
    rig.State().Run.ProgramRunning = 1;  // a run paused between single steps holds no line
    EXPECT_FALSE(rig.Test().Start());
    rig.State().Run.ProgramRunning = 0;
    EXPECT_FALSE(rig.Test().Active());
    EXPECT_EQ(rig.op.MenuEnabled(MenuItem::RunProgram), -1);  // never touched
    // One test at a time.
    rig.Choose(family::DBoard, 3, 16250);
    ASSERT_TRUE(rig.Test().Start());
    ASSERT_TRUE(rig.net->WaitForFrames(1, 5000));
    EXPECT_FALSE(rig.Test().Start());
    rig.core->RunControls.AbortButtonClick();
    ASSERT_TRUE(rig.Test().WaitFinished(5000));
    EXPECT_EQ(rig.op.TestLengthQuestions(), 1);
}

TEST(CommTest, SilentUnitAsksAfterTenUnansweredStepsInARow) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3", {"noreply:match=D3"}));
    rig.State().Config.ReplyTimeout = 10;
    rig.Choose(family::DBoard, 3, 3000000);
    rig.op.QueueButton(mb::IdYes);  // go on after the first ten
    rig.op.QueueButton(mb::IdNo);   // end after the next ten
    ASSERT_TRUE(rig.RunToEnd(20000));

    // No read-back follows a set command that failed; No ends the test as Abort does.
    std::vector<std::string> expected;
    for (int n = 0; n < 20; ++n) expected.push_back("D3A" + std::to_string(n) + "\r");
    expected.push_back("D3A3000000\r");
    expected.push_back("D3A0\r");
    EXPECT_EQ(rig.Frames(), expected);
    const auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, kSilentQuestion);
        EXPECT_EQ(box.title, "Communication Test");
        EXPECT_EQ(box.flags, mb::WarningYesNo);
    }
}

TEST(CommTest, ErrorAnswersCountLikeSilenceWithoutABoxPerStep) {
    // Whatever error status the unit gives, to the set command or to the read-back.
    const struct {
        const char* fault;
        bool readBackFails;
        const char* error;
    } rows[] = {{"error:match=D3A", false, "Parameter Error"},
                {"error:match=D3m:status=#", true, "Syntax Error"},
                {"error:match=D3:status=E", false, "Watchdog Error"},
                {"error:match=D3m:status=t", true, "TMC246 Error"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        CommTestRig rig;
        ASSERT_TRUE(rig.Connect("D3", {row.fault}));
        rig.Choose(family::DBoard, 3, 16250);
        rig.op.QueueButton(mb::IdYes);  // go on after the first ten
        rig.op.QueueButton(mb::IdNo);   // end after the next ten
        ASSERT_TRUE(rig.RunToEnd(20000));

        // Twenty failed steps, then No: the next step is the last, numbered TestCount.
        std::vector<std::string> expected;
        auto step = [&](uint32_t n) {
            expected.push_back("D3A" + std::to_string(n) + "\r");
            if (row.readBackFails) expected.push_back("D3m\r");
        };
        for (uint32_t n = 0; n < 20; ++n) step(n);
        step(16250);
        expected.push_back("D3A0\r");
        EXPECT_EQ(rig.Frames(), expected);
        const auto boxes = rig.op.Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        for (const auto& box : boxes) {
            EXPECT_EQ(box.text, FailingQuestion(row.error));
            EXPECT_EQ(box.title, "Communication Test");
            EXPECT_EQ(box.flags, mb::WarningYesNo);
        }
    }
}

TEST(CommTest, ALostLineEndsTheTestAtOnceWithItsOneMessage) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3", {"vanish:match=D3A50"}));
    rig.Choose(family::DBoard, 3, 3000000);
    rig.op.defaultButton = mb::IdYes;  // a question, were one asked, would go on
    ASSERT_TRUE(rig.RunToEnd(10000));

    std::vector<std::string> expected = Steps("D3", 0, 50);
    expected.push_back("D3A50\r");  // and no final frame on a line that is gone
    EXPECT_EQ(rig.Frames(), expected);
    const auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Communications Port lost (" + rig.core->Line.DevicePath() +
                                 ")\nTerminating procedure");
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
    EXPECT_EQ(rig.State().CommTest.CommTestActive.load(), 0u);
    EXPECT_EQ(rig.State().CommTest.Progress.Caption.Get(), "");
    EXPECT_EQ(rig.State().Serial.Line.Owner(), LineUser::Idle);
}

TEST(CommTest, AnAbsentUnitOrAClosedPortIsRefusedBeforeTheLength) {
    const struct {
        uint8_t family, address;
        bool portClosed;
        const char *text, *title;
        unsigned flags;
    } rows[] = {{family::DBoard, 5, false, " DBoard Axis at address 5 is not Online!",
                 "Error Message", mb::OkCancel},
                {family::AxisY, 2, false, " Y Axis at address 2 is not Online!", "Error Message",
                 mb::OkCancel},
                {family::QBoard, 10, false, " QBoard at address A is not Online!", "Error Message",
                 mb::OkCancel},
                {family::DBoard, 3, true,
                 "The Communications Port is not open.\nThe communication test was not run.",
                 "VDWin Comm ERROR Message", mb::Warning}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        CommTestRig rig;
        ASSERT_TRUE(rig.Connect("D3,X1,Q0"));
        if (row.portClosed) rig.core->Line.Take(LineUser::MainWindow).Close();
        rig.State().App.ProgramLoaded = 1;
        rig.Choose(row.family, row.address, 16250);
        ASSERT_TRUE(rig.RunToEnd(5000));
        EXPECT_TRUE(rig.Frames().empty());
        const auto boxes = rig.op.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.text);
        EXPECT_EQ(boxes[0].title, row.title);
        EXPECT_EQ(boxes[0].flags, row.flags);
        EXPECT_EQ(rig.op.TestLengthQuestions(), 0);
        EXPECT_EQ(rig.State().CommTest.TestCount.load(), 0u);
        EXPECT_TRUE(rig.op.Beeps().empty());
        EXPECT_EQ(rig.op.MenuEnabled(MenuItem::CommDebugBox), 1);
        EXPECT_EQ(rig.op.MenuEnabled(MenuItem::RunProgram), 1);
        EXPECT_EQ(rig.State().Serial.Line.Owner(), LineUser::Idle);
    }
}

TEST(CommTest, AnAnsweringStepEndsTheRunOfSilentOnes) {
    CommTestRig rig;
    // Nine set commands lost, one answered, nine lost again: never ten in a row.
    ASSERT_TRUE(
        rig.Connect("D3", {"noreply:match=D3A:count=9", "noreply:match=D3A:skip=10:count=9"}));
    rig.State().Config.ReplyTimeout = 10;
    LineSession line = rig.core->Line.Take(LineUser::CommTest);
    const CommTest::Outcome outcome = rig.Test().RunTest(line, 3, family::DBoard, 25);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(outcome.stepsCounted, 25u - 18u);
}

TEST(CommTest, ProgressStepsByOneOrByTenWithTheLength) {
    const struct {
        uint32_t steps, step, maximum;
    } rows[] = {{16250, 1, 16250}, {3000000, 10, 30000000}};
    for (const auto& row : rows) {
        CommTestRig rig;
        ASSERT_TRUE(rig.Connect("D3", {"late:match=D3A5:ms=300:once"}));
        rig.State().Config.ReplyTimeout = 2000;
        rig.Choose(family::DBoard, 3, row.steps);
        ASSERT_TRUE(rig.Test().Start());
        ASSERT_TRUE(rig.net->WaitForFrames(11, 5000));  // step 5's set command is on its way
        const CommTestState& t = rig.State().CommTest;
        EXPECT_EQ(t.Progress.Caption.Get(), "Communication Test Progress");
        EXPECT_EQ(t.Progress.Step.load(), row.step);
        EXPECT_EQ(t.Progress.Maximum.load(), row.maximum);
        EXPECT_EQ(t.Progress.Position.load(), 5 * row.step);  // five steps done
        EXPECT_EQ(t.CommTestActive.load(), 1u);
        EXPECT_EQ(rig.State().Serial.Line.Owner(), LineUser::CommTest);
        rig.core->RunControls.AbortButtonClick();
        ASSERT_TRUE(rig.Test().WaitFinished(5000));
        EXPECT_EQ(t.Progress.Caption.Get(), "");
        EXPECT_EQ(t.Progress.Maximum.load(), 100u);
        EXPECT_EQ(t.Progress.Step.load(), 1u);
    }
}

TEST(CommTest, ShutdownInTheMiddleOfATestIsPrompt) {
    CommTestRig rig;
    ASSERT_TRUE(rig.Connect("D3", {"noreply:match=D3"}));
    rig.State().Config.ReplyTimeout = 5000;
    rig.Choose(family::DBoard, 3, 3000000);
    ASSERT_TRUE(rig.Test().Start());
    ASSERT_TRUE(rig.net->WaitForFrames(1, 5000));  // waiting for a reply that never comes
    const auto start = std::chrono::steady_clock::now();
    rig.core.reset();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(rig.Frames(), std::vector<std::string>{"D3A0\r"});  // no final frame on the way out
}

}  // namespace
}  // namespace vendra
