// The example programs run to their end on the demo network (examples/demo-network.txt), with
// the operator's answers scripted. Motors run faster than in the demo so the test stays short.
#include <gtest/gtest.h>

#include "NetworkFile.h"
#include "RunnerRig.h"

namespace vendra::test {
namespace {

struct Example {
    const char* file;
    std::vector<int> buttons;
};

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, RunToTheirEnd) {
    const std::string root = VENDRA_EXAMPLES_DIR;
    sim::Options options;
    std::string error;
    ASSERT_TRUE(sim::LoadNetworkFile(root + "/demo-network.txt", options, error)) << error;
    options.defaultSpeed *= 40;
    for (auto& unit : options.units)
        if (unit.speed) *unit.speed *= 40;

    const std::string folder = ::testing::TempDir() + "runner_example_" +
                               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               "_" + std::string(GetParam().file);
    std::filesystem::create_directories(folder);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);  // the logger files land here

    {
        RunnerRig rig;
        ASSERT_TRUE(rig.Connect(options, folder));
        LoadReport report;
        ASSERT_EQ(LoadProgram(rig.state, root + "/" + GetParam().file, report), 1);
        rig.state.App.ProgramLoaded = 1;
        for (int b : GetParam().buttons) rig.op.QueueButton(b);
        rig.op.QueueUserValue(true, 3);
        ASSERT_TRUE(rig.RunToEnd(60000));
        const ProgramLine& last = rig.state.Program.Lines[rig.Pointer()];
        EXPECT_EQ(static_cast<int>(last.Command), static_cast<int>(CmdEndProgram))
            << "stopped at line " << rig.Pointer() + 1;
        for (const auto& box : rig.op.Boxes())  // questions only, no error on the way
            EXPECT_TRUE(box.title == "VDWin User Message" || box.title == "VDWin Message")
                << box.title << ": " << box.text;
        EXPECT_EQ(rig.state.Run.StopRun.load(), 0u);
    }
    std::filesystem::current_path(previous);
}

INSTANTIATE_TEST_SUITE_P(
    Demo, Examples,
    ::testing::Values(Example{"axis_scan.def", {}}, Example{"pick_and_place.def", {}},
                      Example{"three_motors.def", {}},
                      // OK; Yes (run a cycle); OK (part present); Yes (home); Cancel (home switch);
                      // Ignore (go on); OK (user_wait); No (no more cycles: quit).
                      Example{"operator_dialogs.def",
                              {mb::IdOk, mb::IdYes, mb::IdOk, mb::IdYes, mb::IdCancel, mb::IdIgnore,
                               mb::IdOk, mb::IdNo}}),
    [](const ::testing::TestParamInfo<Example>& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace vendra::test
