#include <gtest/gtest.h>

#include "core/app/SystemState.h"
#include "core/runner/PositionTracking.h"

namespace vendra {
namespace {

class PositionTrackingTest : public ::testing::Test {
  protected:
    int32_t D(const char* frame) {
        TrackPositionD(rec, frame, state.Run.Stats);
        return rec.Position.load();
    }
    int32_t U(const char* frame) {
        TrackPositionU(rec, frame, state.Run.Stats);
        return rec.Position.load();
    }
    SystemState state;
    MotorRecord rec;
};

TEST_F(PositionTrackingTest, DBoardForms) {
    EXPECT_EQ(D("D3A1000\r"), 1000);
    EXPECT_EQ(D("D3M250\r"), 250);
    EXPECT_EQ(D("D3R+50\r"), 300);
    EXPECT_EQ(D("D3RN-100\r"), 200);
    EXPECT_EQ(D("D3RY+1\r"), 201);
    EXPECT_EQ(D("D3R#5\r"), 196);  // any sign but '+' subtracts
    EXPECT_EQ(D("D3N\r"), 0);
    EXPECT_EQ(D("D3A10,R+5,M7R-2\r"), 5);
    EXPECT_EQ(D("D3A\r"), 5);              // no digits: no change
    EXPECT_EQ(D("A9A100\r"), 100);         // the first two characters are not read
    EXPECT_EQ(D("D3A5oA99M77,R+1\r"), 6);  // 'o' passes over to the next ','
    EXPECT_EQ(D("D3NA40\r"), 0);           // N passes over the character after it
    EXPECT_EQ(D("D3A4294967295\r"), -1);   // wraps to 32 bits
}

TEST_F(PositionTrackingTest, StepModeFlag) {
    D("D3F\r");
    EXPECT_EQ(rec.StepMode.load(), 0);
    D("D3H\r");
    EXPECT_EQ(rec.StepMode.load(), 1);
    D("D3oF\r");
    EXPECT_EQ(rec.StepMode.load(), 1);
}

TEST_F(PositionTrackingTest, UBoardTakesExactlyOneCharacterAfterR) {
    rec.Position = 100;
    EXPECT_EQ(U("U1RN+10\r"), 110);
    EXPECT_EQ(U("U1RX-10\r"), 100);
    EXPECT_EQ(U("U1R+-10\r"), 90);  // '+' is the passed-over character, '-' the sign
    EXPECT_EQ(D("D1R+-10\r"), 90);  // DBoard form: sign '+', no digits after it
}

TEST_F(PositionTrackingTest, AxisFramesSelectRecordsAndPassOverUnitDigit) {
    MotorRecord axes[4];
    auto& st = state.Run.Stats;
    TrackPositionAxis(axes, "X5A100,Y5A200\r", st);
    EXPECT_EQ(axes[AxisX].Position.load(), 100);
    EXPECT_EQ(axes[AxisY].Position.load(), 200);
    TrackPositionAxis(axes, "X5R+1oA9,Y5RN-5\r", st);
    EXPECT_EQ(axes[AxisX].Position.load(), 101);
    EXPECT_EQ(axes[AxisY].Position.load(), 195);
    TrackPositionAxis(axes, "W1A7oZ1A3\r", st);  // an axis letter ends the passed-over stretch
    EXPECT_EQ(axes[AxisW].Position.load(), 7);
    EXPECT_EQ(axes[AxisZ].Position.load(), 3);
    TrackPositionAxis(axes, "W1F\r", st);
    EXPECT_EQ(axes[AxisW].StepMode.load(), 0);
    TrackPositionAxis(axes, "A50\r", st);  // no axis selected: nothing changes
    for (auto& a : axes) EXPECT_NE(a.Position.load(), 50);
}

TEST_F(PositionTrackingTest, MoveTimerStartsOnFirstMoveOnly) {
    auto& st = state.Run.Stats;
    D("D3H\r");
    D("D3N0\r");
    EXPECT_EQ(st.MoveStartTime.load(), 0u);
    D("D3N01\r");
    EXPECT_NE(st.MoveStartTime.load(), 0u);
    st.MoveStartTime = 5;
    D("D3A100\r");
    EXPECT_EQ(st.MoveStartTime.load(), 5u);  // already running
    st.MoveStartTime = 0;
    U("U0R+1\r");
    EXPECT_NE(st.MoveStartTime.load(), 0u);
}

// The board report's item queries ("vF", "vA", "v1A", ...) contain rule letters but move nothing.
TEST_F(PositionTrackingTest, InformationQueriesChangeNoRecordAndStartNoTimer) {
    auto& st = state.Run.Stats;
    MotorRecord axes[4];
    for (const char* frame : {"D3vF\r", "D3vA\r", "D3v1A\r", "D3vN\r", "D3vR\r", "D3vH\r"}) {
        rec.Position = 77;
        rec.StepMode = 1;
        D(frame);
        U(frame);
        TrackPositionAxis(axes, std::string("X") + (frame + 1), st);
        EXPECT_EQ(rec.Position.load(), 77) << frame;
        EXPECT_EQ(rec.StepMode.load(), 1) << frame;
        for (auto& a : axes) {
            EXPECT_EQ(a.Position.load(), 0) << frame;
            EXPECT_EQ(a.StepMode.load(), 1) << frame;
        }
        EXPECT_EQ(st.MoveStartTime.load(), 0u) << frame;
    }
}

}  // namespace
}  // namespace vendra
