// Programs with any values a file can hold: random commands (valid and not) with edge values in
// every field. None may crash, index past a table (the sanitizers watch), or run on once the
// operator has pressed Abort (twice, for a long delay).
#include <gtest/gtest.h>

#include <random>

#include "RunnerRig.h"
#include "core/program/ProgramEdit.h"

namespace vendra::test {
namespace {

TEST(RunnerFuzz, AnyValuesEndOrAbort) {
    static constexpr uint32_t kEdges[] = {
        0,  1,  2,   3,   5,   15,    16,    40,          41,          72,         73,
        74, 99, 100, 255, 256, 65535, 65536, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    std::mt19937 random(20240611);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const char* const kLabels[] = {"", "", "", "NextLine", "a", "b", "missing"};

    for (int round = 0; round < 200; ++round) {
        RunnerRig rig;
        UserProgram& p = rig.state.Program;
        const uint32_t lines = 1 + static_cast<uint32_t>(pick(14));
        for (uint32_t i = 0; i < lines; ++i) {
            ProgramLine& line = p.Lines[i];
            line.Command = static_cast<uint8_t>(pick(52));  // 45..51 are no commands
            for (uint32_t& v : line.Values) v = kEdges[pick(std::size(kEdges))];
            for (int k = 0; k < 3; ++k) CopyField(line.JumpLabels[k], kLabels[pick(7)]);
            if (line.Command == CmdLabel) CopyField(line.Text, pick(2) ? "a" : "b");
            if (line.Command == CmdDBoard || line.Command == CmdAxisBoard)
                CopyField(line.Text, pick(2) ? "A#TEMP99#" : "XA5,YR+3");
        }
        p.LineCount = lines;
        RebuildLabelTable(rig.state.Program, rig.state.Labels);
        rig.state.App.ProgramLoaded = 1;

        rig.control.RunButtonClick();
        if (!rig.runner.Wait(100)) rig.control.AbortButtonClick();  // long delays too
        ASSERT_TRUE(rig.runner.Wait(5000)) << "round " << round;
        EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u) << "round " << round;
        EXPECT_FALSE(rig.state.SystemBusy());
    }
}

// A second Abort while the first one still ends the run changes nothing.
TEST(RunnerFuzz, SecondAbortDuringALongDelay) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("sdelay,65534\nset_temp,1,1\nend_program\n"));
    rig.control.RunButtonClick();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    rig.control.AbortButtonClick();
    rig.control.AbortButtonClick();
    ASSERT_TRUE(rig.runner.Wait(2000));
    EXPECT_EQ(rig.Reg(1), 0u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
}

}  // namespace
}  // namespace vendra::test
