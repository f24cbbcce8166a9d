// The displays' logic without widgets: the check boxes' steps, the encoder field mapping, the
// register change rule and the texts.
#include <gtest/gtest.h>

#include "core/app/SystemState.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/QeReading.h"
#include "core/tools/Monitors.h"

namespace vendra {
namespace {

TEST(Monitors, EncoderFieldsShowUnitAndChannelInOrder) {
    SystemState s;
    for (int unit = 0; unit < kQeUnitSlots; ++unit)
        for (int ch = 0; ch < 2; ++ch) {
            s.Boards.Qe[unit][ch].Count = 7;
            s.Boards.Qe[unit][ch].Text.Set("u" + std::to_string(unit) + "c" + std::to_string(ch));
        }
    ClearEncoderChannels(s.Boards);
    for (int unit = 0; unit < kQeUnitSlots; ++unit)
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(s.Boards.Qe[unit][ch].Count.load(), 0);
            EXPECT_EQ(s.Boards.Qe[unit][ch].Text.Get(), "0");
        }
    // A reading of QBoard unit 3 channel 1 lands in field 8; an absent unit's reading shows NA.
    s.Units.present[static_cast<int>(UnitGroup::QBoard)][3] = 1;
    QeDataLogger logger(s.Run);
    FileQeReading(QeReadingStateOf(s), &logger, 3, QeReadingMode::OneChannel, 1, "1234");
    FileQeReading(QeReadingStateOf(s), &logger, 15, QeReadingMode::BothChannels, 0, "5,6");
    for (int k = 1; k <= kEncoderFields; ++k) {
        const char* expected = k == 8 ? "1234" : (k == 31 || k == 32) ? "NA" : "0";
        EXPECT_EQ(EncoderText(s.Boards, k), expected) << "Encoder" << k;
    }
    EXPECT_EQ(EncoderText(s.Boards, 0), "");
    EXPECT_EQ(EncoderText(s.Boards, 33), "");
}

TEST(Monitors, RegistersShowSignedAndTheBoxMarksTheFirstForty) {
    SystemState s;
    MarkTempRegistersChanged(s.Run);
    for (int n = 0; n < kTempRegisters; ++n)
        EXPECT_EQ(s.Run.TempRegisterChanged[n].load(), n < 40 ? 1u : 0u) << n;
    EXPECT_EQ(TakeChangedRegister(s.Run, kTempRegisters), std::nullopt);
    const struct {
        uint32_t value;
        const char* text;
    } texts[] = {{2147483647u, "2147483647"}, {2147483648u, "-2147483648"}, {4294967295u, "-1"}};
    for (const auto& row : texts) EXPECT_EQ(SignedRegisterText(row.value), row.text);
}

TEST(Monitors, DisplayIntervalNeverFiresWithoutPause) {
    EXPECT_EQ(DisplayIntervalMs(250), 250);
    EXPECT_EQ(DisplayIntervalMs(1000), 1000);
    EXPECT_EQ(DisplayIntervalMs(0), kMinDisplayIntervalMs);
    EXPECT_EQ(DisplayIntervalMs(-5), kMinDisplayIntervalMs);
}

}  // namespace
}  // namespace vendra
