#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/app/SystemState.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/QeReading.h"
#include "support/ScratchFolder.h"

namespace vendra {
namespace {

using test::ReadFile;

class QeReadingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.Units.present[int(UnitGroup::QBoard)][2] = 1;
        path = ::testing::TempDir() + "qe_" + std::to_string(getpid()) + ".txt";
    }
    void TearDown() override { std::remove(path.c_str()); }
    SystemState state;
    QeDataLogger logger{state.Run};
    std::string path;
};

TEST_F(QeReadingTest, ModeOfCommandText) {
    int ch = -1;
    EXPECT_EQ(QeModeOf("P\r", ch), QeReadingMode::BothChannels);
    EXPECT_EQ(QeModeOf("p0\r", ch), QeReadingMode::OneChannel);
    EXPECT_EQ(ch, 0);
    EXPECT_EQ(QeModeOf("p1", ch), QeReadingMode::OneChannel);
    EXPECT_EQ(ch, 1);
    EXPECT_EQ(QeModeOf("p", ch), QeReadingMode::OneChannel);
    EXPECT_EQ(ch, 1);
    EXPECT_EQ(QeModeOf("v0\r", ch), QeReadingMode::None);
    EXPECT_EQ(QeModeOf("", ch), QeReadingMode::None);
}

TEST_F(QeReadingTest, BothChannelsFillCountsRegistersAndTexts) {
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::BothChannels, 0, "120,-40");
    EXPECT_EQ(state.Boards.Qe[2][0].Count.load(), 120);
    EXPECT_EQ(state.Boards.Qe[2][1].Count.load(), -40);
    EXPECT_EQ(state.Run.TempRegisters[44].load(), 120u);
    EXPECT_EQ(state.Run.TempRegisters[45].load(), static_cast<uint32_t>(-40));
    EXPECT_EQ(state.Run.TempRegisterChanged[44].load(), 1u);
    EXPECT_EQ(state.Run.TempRegisterChanged[45].load(), 1u);
    EXPECT_EQ(state.Boards.Qe[2][0].Text.Get(), "120");
    EXPECT_EQ(state.Boards.Qe[2][1].Text.Get(), "-40");

    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::BothChannels, 0,
                  "77");  // no second number
    EXPECT_EQ(state.Boards.Qe[2][0].Count.load(), 77);
    EXPECT_EQ(state.Boards.Qe[2][1].Count.load(), 0);
}

TEST_F(QeReadingTest, AbsentUnitShowsNAAndBadUnitIsIgnored) {
    FileQeReading(QeReadingStateOf(state), &logger, 15, QeReadingMode::OneChannel, 1, "9");
    EXPECT_EQ(state.Boards.Qe[15][1].Text.Get(), "NA");
    EXPECT_EQ(state.Run.TempRegisters[71].load(), 9u);
    FileQeReading(QeReadingStateOf(state), &logger, 16, QeReadingMode::OneChannel, 1, "9");
    FileQeReading(QeReadingStateOf(state), &logger, 1, QeReadingMode::OneChannel, 2, "9");
    EXPECT_EQ(state.Run.TempRegisters[73].load(), 0u);
}

TEST_F(QeReadingTest, LinkRuleHalvesForNonStepModeButRegisterKeepsFullCount) {
    QeChannel& ch0 = state.Boards.Qe[2][0];
    QeChannel& ch1 = state.Boards.Qe[2][1];
    ch0.LinkCode = 0;  // DBoard unit 3, step mode off
    ch0.LinkUnit = 3;
    state.Boards.MotorD[3].StepMode = 0;
    ch1.LinkCode = 5;  // AxisBoard unit 1, axis Y, step mode on
    ch1.LinkUnit = 1;
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::BothChannels, 0, "-7,300");
    EXPECT_EQ(ch0.Count.load(), -4);  // arithmetic shift
    EXPECT_EQ(state.Boards.MotorD[3].LinkedEncoderCount.load(), -4);
    EXPECT_EQ(state.Run.TempRegisters[44].load(), static_cast<uint32_t>(-7));
    EXPECT_EQ(ch0.Text.Get(), "-4");
    EXPECT_EQ(state.Boards.MotorAxis[1][AxisY].LinkedEncoderCount.load(), 300);

    ch1.LinkCode = 42;  // no such record: ignored
    ch1.LinkUnit = 200;
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::OneChannel, 1, "8");
    EXPECT_EQ(ch1.Count.load(), 8);
}

TEST_F(QeReadingTest, LoggerLineLayout) {
    ASSERT_TRUE(logger.Open(path, 3));
    EXPECT_EQ(state.Run.QeLoggerOpen.load(), 1u);
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::BothChannels, 0, "1,2");
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::OneChannel, 0, "3");
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::OneChannel, 1, "4");
    state.Run.QeLoggerActive = 0;  // paused
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::OneChannel, 1, "99");
    state.Run.QeLoggerActive = 1;
    FileQeReading(QeReadingStateOf(state), &logger, 2, QeReadingMode::OneChannel, 1, "5");
    logger.Close();
    EXPECT_EQ(ReadFile(path), "1,2,3\r\n4,5,");
    EXPECT_EQ(state.Run.QeLoggerOpen.load(), 0u);

    ASSERT_TRUE(logger.Open(path, 1));
    logger.WriteValue("a");
    logger.WriteValue("b");
    logger.Close();
    EXPECT_EQ(ReadFile(path), "a\r\nb\r\n");
    EXPECT_FALSE(logger.Open("/nonexistent-dir/x.txt", 2));
    EXPECT_EQ(state.Run.QeLoggerOpen.load(), 0u);
}

}  // namespace
}  // namespace vendra
