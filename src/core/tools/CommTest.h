// The communication test ("Serial Network Test"): a counted echo test against one unit. Each step
// sends the unit a numbered set-position command, asks the number back and compares; a difference
// stops the test with a message showing both numbers. The test runs on its own worker thread
// (TCommTest, named "CommTest"), holds the line for its whole life, and shows its progress through
// CommTestState, which the main window's timer reads.
//
// Error rule: a unit that did not answer at initialisation is refused with its presence message,
// and a port that is not open with a message, before the length is asked. Failed exchanges do not
// stop the test (a step whose set command fails is not counted): a time-out and an error answer
// alike are counted, without a box each, and kSilentStepsBeforeQuestion failed steps in a row
// make the test ask the operator whether to go on; No ends it as Abort does. A mismatch shows
// "Found a Communcation Test Error Reponse" and ends it. A line lost during the test ends it at
// once (the port layer has reported the loss; no final frame). Nothing throws.
// Thread rule: Start, Running, Wait and the destructor are called from the GUI thread (or a
// test's thread); the worker shares state through atomics and SharedText only. The destructor
// stops the worker at its next step (cutting a reply wait short) and joins it within a bounded
// time; an open question must be answered or dismissed by the UI first (QtOperator::Shutdown).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/base/Operator.h"
#include "core/base/Worker.h"
#include "core/serial/LineSession.h"
#include "core/tools/CommTestState.h"

namespace vendra {

// The lengths offered by the "Test Length" dialog, item by item.
struct TestLength {
    const char* text;
    uint32_t steps;
};
inline constexpr TestLength kTestLengths[] = {{"Quick Test", 16250},
                                              {"Medium Test", 32500},
                                              {"Long Test", 48750},
                                              {"Very Long Test", 65000},
                                              {"Extremely Long Test", 3000000}};
constexpr int kTestLengthItems = sizeof kTestLengths / sizeof kTestLengths[0];
// TestCount for a dialog item; 0 (no test) for an item that does not exist.
uint32_t TestCountForItem(int item);

// Above this many steps the progress bar moves 10 a step.
constexpr uint32_t kSingleStepProgressLimit = 65000;
// Failed steps in a row (no answer, or an error) after which the operator is asked whether to go
// on.
constexpr uint32_t kSilentStepsBeforeQuestion = 10;
// The number the set command after the loop carries: 0, where the loop's numbering starts, so
// the unit's position register and the host's record of it end on a known value whatever ended
// the loop (its end, Abort, a mismatch).
constexpr uint32_t kFinalSetNumber = 0;

inline constexpr const char* kProgressCaption = "Communication Test Progress";

// The command texts of one step for a BoardFamily code 0..7 (the transaction adds the family
// letter and unit digit): "A<n>" and "m", with the axis letter first for an AxisBoard axis.
struct CommTestTexts {
    std::string set, readBack;
};
CommTestTexts CommTestTextsFor(uint8_t familyCode, uint32_t n);

// The number a read-back answered: the leading decimal digits of the value text (none gives 0).
uint64_t ReadBackNumber(const std::string& valueText);

class CommTest {
  public:
    // Asks the operator which unit to test (SelectTargetBoard, wired by the composition root);
    // false when cancelled.
    using TargetChooser = std::function<bool()>;

    CommTest(CommTestSystem state, Operator& op, SerialLine& line, TargetChooser chooseTarget);
    CommTest(const CommTest&) = delete;
    CommTest& operator=(const CommTest&) = delete;

    // "Serial Network Test": nothing happens (false) while the system is busy or a test is still
    // alive. Otherwise takes the line, disables "Comm. Debug" unless it is ticked (its debugger
    // window open, whether or not it logs) and "Run Program", and starts the worker, which asks
    // for the unit and the length, runs the test and restores the buttons.
    bool Start();
    // Ends a running test at its next step (without its final frame).
    void Stop() { worker_.RequestStop(); }
    // A test's worker runs.
    bool Running() const { return worker_.Running(); }
    // Blocks until no test runs or the time is up. True when idle.
    bool Wait(uint32_t timeoutMs) { return worker_.Wait(timeoutMs); }

    // What one test did.
    struct Outcome {
        uint32_t stepsCounted = 0;  // progress steps
        uint32_t mismatches = 0;    // 0 or 1: a mismatch ends the test
        bool stopped = false;       // ended by shutdown before its final frame
        bool lineLost = false;      // ended by the line going away (no final frame)
    };
    // The test proper, on the calling thread, against `unit` of `familyCode` with `testCount`
    // steps on `session`: the loop, the final set command and the progress display's reset. The
    // worker runs it on its own session; benches and tests take the line themselves.
    Outcome RunTest(LineSession& session, unsigned unit, uint8_t familyCode, uint32_t testCount);

  private:
    void Job();
    // The chosen unit is on the network and the port is open; otherwise says why (false).
    bool TargetReady(const LineSession& session);
    void RestoreButtons();
    void PublishLayout(const std::string& caption, uint32_t maximum, uint32_t step);
    // One failed step more (`failure`: the board's error text, empty for no answer), or, with
    // `ok`, the run of them ends. False when the operator chose to end the test.
    bool CountFailure(bool ok, const std::string& failure);

    CommTestSystem state_;
    Operator& op_;
    SerialLine& line_;
    TargetChooser chooseTarget_;
    uint32_t failedSteps_ = 0;
    std::string lastError_;  // the last error text in the current run of failed steps

    LineSession session_;
    Worker worker_{"CommTest"};  // declared last: stopped and joined first
};

}  // namespace vendra
