#include "core/tools/CommTest.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <limits>

#include "core/network/BoardInfo.h"
#include "core/runner/BoardStep.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

uint32_t TestCountForItem(int item) {
    return item >= 0 && item < kTestLengthItems ? kTestLengths[item].steps : 0;
}

CommTestTexts CommTestTextsFor(uint8_t familyCode, uint32_t n) {
    const std::string number = std::to_string(n);
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(familyCode);
    if (info != nullptr && info->axis >= 0) {
        const std::string axis(1, info->letter);
        return {axis + "A" + number, axis + "m"};
    }
    return {"A" + number, "m"};
}

uint64_t ReadBackNumber(const std::string& valueText) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (char c : valueText) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;  // saturates, never wraps
    }
    return value;
}

CommTest::CommTest(CommTestSystem state, Operator& op, SerialLine& line, TargetChooser chooseTarget)
    : state_(state), op_(op), line_(line), chooseTarget_(std::move(chooseTarget)) {}

bool CommTest::Start() {
    if (SystemBusy(state_.Serial, state_.Run) || worker_.Running()) return false;
    session_ = line_.Take(LineUser::CommTest, worker_.Token());
    if (!session_) return false;
    // A ticked "Comm. Debug" may still be unticked during the test; an unticked one stays so. The
    // box is ticked while its window is open, also when disable_comm_debug has stopped the
    // logging.
    if (state_.CommDebug.CommDebugWindowOpen.load() == 0)
        op_.SetMenuEnabled(MenuItem::CommDebugBox, false);
    op_.SetMenuEnabled(MenuItem::RunProgram, false);
    return worker_.Start([this](StopToken) { Job(); },
                         [this] { op_.ActivityEnded(Activity::CommTest); });
}

void CommTest::Job() {
    CommTestState& test = state_.Test;
    test.TestCount = 0;
    if (chooseTarget_ && chooseTarget_() && !session_.StopRequested() && TargetReady(session_)) {
        test.TestCount = op_.AskTestLength();
        const uint32_t count = test.TestCount.load();
        if (count != 0 && !session_.StopRequested())
            RunTest(session_, state_.App.SelectedBoardAddress.load(),
                    state_.App.SelectedBoardFamily.load(), count);
    }
    test.CommTestActive = 0;
    RestoreButtons();
    session_.Release();
}

void CommTest::RestoreButtons() {
    op_.SetMenuEnabled(MenuItem::CommDebugBox, true);
    if (state_.App.ProgramLoaded.load() == 1) op_.SetMenuEnabled(MenuItem::RunProgram, true);
}

void CommTest::PublishLayout(const std::string& caption, uint32_t maximum, uint32_t step) {
    CommTestProgress& p = state_.Test.Progress;
    p.Caption.Set(caption);
    p.Maximum = maximum;
    p.Step = step;
    p.Position = 0;
    p.Layout.fetch_add(1);
}

bool CommTest::TargetReady(const LineSession& session) {
    const uint8_t family = state_.App.SelectedBoardFamily.load();
    if (!ConfirmUnitOnline(state_.Units, op_, family, state_.App.SelectedBoardAddress.load()))
        return false;
    if (session.IsOpen()) return true;
    op_.ShowMessageBox("The Communications Port is not open.\nThe communication test was not run.",
                       "VDWin Comm ERROR Message", mb::Warning);
    return false;
}

bool CommTest::CountFailure(bool ok, const std::string& failure) {
    if (ok) {
        failedSteps_ = 0;
        lastError_.clear();
        return true;
    }
    if (!failure.empty()) lastError_ = failure;
    if (++failedSteps_ < kSilentStepsBeforeQuestion) return true;
    failedSteps_ = 0;
    const std::string error = std::move(lastError_);
    lastError_.clear();
    if (state_.Run.AbortRequest.load() != 0) return true;  // ends at the next step anyway
    // Every unanswered step waits the whole reply time-out, and a unit that answers every step
    // with an error would end in a box per step: one question per run of failures instead.
    const std::string times = std::to_string(kSilentStepsBeforeQuestion) + " times in a row";
    const std::string what = error.empty() ? "The unit has not answered " + times
                                           : "The unit has not answered correctly " + times +
                                                 " (last error: " + error + ")";
    const int answer = op_.ShowMessageBox(what + ".\nGo on with the communication test?",
                                          "Communication Test", mb::WarningYesNo);
    return answer == mb::IdYes;
}

CommTest::Outcome CommTest::RunTest(LineSession& session, unsigned unit, uint8_t familyCode,
                                    uint32_t testCount) {
    Outcome outcome;
    CommTestState& test = state_.Test;
    RunState& run = state_.Run;
    test.CommTestActive = 1;
    op_.SetMenuEnabled(MenuItem::RunProgram, false);
    op_.Beep(beep::Information);
    // Above 65000 steps the bar moves 10 a step; its maximum grows with it, so that it is full
    // when the test is, not after a tenth of it.
    const uint32_t step = testCount > kSingleStepProgressLimit ? 10 : 1;
    const uint64_t maximum =
        std::min<uint64_t>(uint64_t{testCount} * step, std::numeric_limits<uint32_t>::max());
    PublishLayout(kProgressCaption, static_cast<uint32_t>(maximum), step);
    run.AbortRequest = 0;
    failedSteps_ = 0;
    lastError_.clear();
    // The test's exchanges keep the host's account as a program's do, but a board error shows no
    // box each: the test counts its failed steps and asks once per run of them.
    BoardStep board({state_.Boards, state_.Units, run}, op_, nullptr);
    board.UseSession(&session);
    board.SetFailureBoxes(false);

    bool endRequested = false;  // the operator chose not to go on with a failing unit
    for (uint32_t n = 0; n < testCount; ++n) {
        if (session.StopRequested()) {
            outcome.stopped = true;
            break;
        }
        // Abort: this step still goes out, numbered TestCount, and is the last.
        bool last = false;
        if (run.AbortRequest.load() == 1 || endRequested) {
            n = testCount;
            last = true;
        }
        const CommTestTexts texts = CommTestTextsFor(familyCode, n);
        const bool setOk = board.Command(unit, familyCode, texts.set) == 1;
        std::string failure = board.LastFailure();
        bool readOk = false;
        if (setOk) {
            readOk = board.Command(unit, familyCode, texts.readBack) == 1;
            failure = board.LastFailure();
            const uint64_t board =
                readOk ? ReadBackNumber(state_.Boards.LastResponseText.Get()) : n;
            if (board != n) {
                char text[128];
                std::snprintf(text, sizeof text,
                              "Found a Communcation Test Error Reponse\r    Host: %lu, Board: %lu ",
                              static_cast<unsigned long>(n), static_cast<unsigned long>(board));
                op_.ShowMessageBox(text, "Communication Error", mb::StopModal);
                ++outcome.mismatches;
                last = true;
            }
        }
        // The port layer has reported a line that went away, once; nothing more can be asked.
        if (!session.IsOpen()) {
            outcome.lineLost = true;
            break;
        }
        if (!CountFailure(setOk && readOk, failure)) endRequested = true;
        // A step whose set command failed is not counted.
        if (setOk) {
            test.Progress.Position.fetch_add(step);
            ++outcome.stepsCounted;
        }
        if (last) break;
    }

    if (!outcome.stopped && !outcome.lineLost) {
        state_.Boards.LastResponseText = std::string();
        board.Command(unit, familyCode, CommTestTextsFor(familyCode, kFinalSetNumber).set);
    }
    PublishLayout(std::string(), 100, 1);
    op_.Beep(beep::Information);
    test.CommTestActive = 0;
    return outcome;
}

}  // namespace vendra
