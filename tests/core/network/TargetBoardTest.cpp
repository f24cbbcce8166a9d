#include <gtest/gtest.h>

#include "core/base/AppState.h"
#include "core/base/UnitMap.h"
#include "core/network/TargetBoard.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

using test::ScriptedOperator;

// What the selection reads and writes: the units found and the application's choice.
struct Selection {
    AppState App;
    UnitMap Units;
};

void OneUnit(Selection& s, uint8_t family, uint8_t address) {
    s.Units.totalUnits = 1;
    s.Units.lastFoundFamily = family;
    s.Units.lastFoundAddress = address;
}

TEST(SelectTargetBoard, SingleUnitIsTakenWithoutAsking) {
    Selection s;
    ScriptedOperator op;
    OneUnit(s, 7, 0);  // one QBoard at address 0
    s.App.SelectedBoardFamily = 2;
    EXPECT_TRUE(SelectTargetBoard(s.App, s.Units, op));
    EXPECT_EQ(s.App.SelectedBoardFamily.load(), 7);
    EXPECT_EQ(s.App.SelectedBoardAddress.load(), 0);
    EXPECT_EQ(op.Boxes().size(), 0u);
}

TEST(SelectTargetBoard, SingleAxisBoardAsksOnlyTheAxis) {
    Selection s;
    ScriptedOperator op;
    OneUnit(s, 4, 9);
    op.QueueBoardType(true, 6);  // Z axis
    // A board-address answer must not be consumed.
    op.QueueBoardAddress(true, 2);
    EXPECT_TRUE(SelectTargetBoard(s.App, s.Units, op));
    EXPECT_EQ(s.App.SelectedBoardFamily.load(), 6);
    EXPECT_EQ(s.App.SelectedBoardAddress.load(), 9);
    uint8_t a = 0;
    EXPECT_TRUE(op.AskBoardAddress(a));  // still queued
    EXPECT_EQ(a, 2);

    Selection s2;
    ScriptedOperator op2;
    OneUnit(s2, 4, 9);
    op2.QueueBoardType(false, 0);
    EXPECT_FALSE(SelectTargetBoard(s2.App, s2.Units, op2));
}

TEST(SelectTargetBoard, SeveralUnitsAskTypeThenAddress) {
    Selection s;
    ScriptedOperator op;
    s.Units.totalUnits = 3;
    op.QueueBoardType(true, 1);
    op.QueueBoardAddress(true, 12);
    EXPECT_TRUE(SelectTargetBoard(s.App, s.Units, op));
    EXPECT_EQ(s.App.SelectedBoardFamily.load(), 1);
    EXPECT_EQ(s.App.SelectedBoardAddress.load(), 12);

    op.QueueBoardType(true, 2);
    op.QueueBoardAddress(false, 3);
    EXPECT_FALSE(SelectTargetBoard(s.App, s.Units, op));
    EXPECT_EQ(s.App.SelectedBoardAddress.load(), 12);  // cancelled: unchanged

    op.QueueBoardType(false, 0);
    op.QueueBoardAddress(true, 4);
    EXPECT_FALSE(SelectTargetBoard(s.App, s.Units, op));  // type cancelled: no address question
    uint8_t a = 0;
    EXPECT_TRUE(op.AskBoardAddress(a));
    EXPECT_EQ(a, 4);
}

TEST(SelectTargetBoard, NoUnitsStillAsks) {
    Selection s;
    ScriptedOperator op;
    op.QueueBoardType(true, 0);
    op.QueueBoardAddress(true, 15);
    EXPECT_TRUE(SelectTargetBoard(s.App, s.Units, op));
    EXPECT_EQ(s.App.SelectedBoardAddress.load(), 15);
}

}  // namespace
}  // namespace vendra
