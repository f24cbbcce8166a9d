// The lookups that pick a family's records in the board state: every code and unit, against the
// arrays they must land in.
#include <gtest/gtest.h>

#include <memory>

#include "core/serial/BoardState.h"

namespace vendra {
namespace {

TEST(BoardStateLookup, EachFamilyFindsItsOwnRecordAndStatus) {
    auto boards = std::make_unique<BoardState>();
    BoardState& b = *boards;
    for (unsigned unit = 0; unit < 16; ++unit) {
        SCOPED_TRACE(unit);
        EXPECT_EQ(MotorRecordFor(b, unit, family::DBoard), &b.MotorD[unit]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::UBoard), &b.MotorU[unit]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::HBoard), &b.MotorH[unit]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::AxisW), &b.MotorAxis[unit][AxisW]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::AxisX), &b.MotorAxis[unit][AxisX]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::AxisY), &b.MotorAxis[unit][AxisY]);
        EXPECT_EQ(MotorRecordFor(b, unit, family::AxisZ), &b.MotorAxis[unit][AxisZ]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::DBoard), &b.UnitStatusD[unit]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::UBoard), &b.UnitStatusU[unit]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::HBoard), &b.UnitStatusH[unit]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::AxisW), &b.UnitStatusAxis[unit][AxisW]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::AxisX), &b.UnitStatusAxis[unit][AxisX]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::AxisY), &b.UnitStatusAxis[unit][AxisY]);
        EXPECT_EQ(StatusSlotFor(b, unit, family::AxisZ), &b.UnitStatusAxis[unit][AxisZ]);
    }
    // The read-only lookups find the same records.
    const BoardState& c = b;
    EXPECT_EQ(MotorRecordFor(c, 9, family::AxisY), &b.MotorAxis[9][AxisY]);
    EXPECT_EQ(StatusSlotFor(c, 9, family::HBoard), &b.UnitStatusH[9]);
}

TEST(BoardStateLookup, CodesWithoutAMotorAndUnitsAbove15FindNothing) {
    auto boards = std::make_unique<BoardState>();
    BoardState& b = *boards;
    for (unsigned code = family::QBoard; code < 256; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(MotorRecordFor(b, 3, static_cast<uint8_t>(code)), nullptr);
        EXPECT_EQ(StatusSlotFor(b, 3, static_cast<uint8_t>(code)), nullptr);
    }
    for (uint8_t code = family::DBoard; code <= family::AxisZ; ++code) {
        EXPECT_EQ(MotorRecordFor(b, 16, code), nullptr);
        EXPECT_EQ(StatusSlotFor(b, 16, code), nullptr);
    }
}

}  // namespace
}  // namespace vendra
