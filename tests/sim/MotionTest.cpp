// Position commands, moves in simulated time, read-back, abort, encoders.
#include <unistd.h>

#include "SimFixture.h"

namespace vendra::sim::test {

namespace {

// Polls the status until it is no longer `busy`; returns the statuses seen.
std::string PollUntilDone(HostLine& host, const std::string& query, char busy, int limit = 200) {
    std::string seen;
    for (int i = 0; i < limit; ++i) {
        auto reply = host.Exchange(query);
        if (!reply || reply->size() < 3) return seen + "?";
        seen += (*reply)[2];
        if ((*reply)[2] != busy) break;
        usleep(2000);
    }
    return seen;
}

}  // namespace

TEST_F(SimTest, MoveIsBusyThenFinished) {
    Options options;
    options.defaultSpeed = 5000;  // 1000 steps: 200 ms
    StartSim("D3", options);
    EXPECT_EQ(Ask("D3\r"), "D3f\r");
    // Timed from before the move is asked for: a host that reads the answer late (a loaded
    // machine) must not shorten the measured move.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask("D3A1000\r"), "D3>\r");
    std::string seen = PollUntilDone(host, "D3\r", 'b');
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 'b');
    EXPECT_EQ(seen.back(), 'f');
    EXPECT_GE(ms, 190);
    EXPECT_LT(ms, 2000);
    auto motor = sim->GetMotor("D3");
    ASSERT_TRUE(motor);
    EXPECT_EQ(motor->position, 1000);
    EXPECT_FALSE(motor->moving);
}

TEST_F(SimTest, StatusCharactersAreConfigurable) {
    StartSim("D3:busy=w:done=>:speed=100,X1:busy=a:speed=100");  // 1 s moves
    EXPECT_EQ(Ask("D3M100\r"), "D3>\r");
    EXPECT_EQ(Ask("D3\r"), "D3w\r");
    EXPECT_EQ(Ask("X1A100\r"), "x1>\r");
    EXPECT_EQ(Ask("X1\r"), "x1a\r");
    EXPECT_EQ(Ask("Y1\r"), "y1f\r");
    host.Write("GG!\r");  // abort: both stop where they are
    ASSERT_TRUE(sim->WaitForFrames(6, 1000));
    EXPECT_EQ(Ask("D3\r"), "D3>\r");
    EXPECT_EQ(Ask("X1\r"), "x1f\r");
    auto motor = sim->GetMotor("D3");
    ASSERT_TRUE(motor);
    EXPECT_LT(motor->position, 100);
    EXPECT_EQ(motor->target, motor->position);
}

TEST_F(SimTest, ReadBackReturnsLastATarget) {
    Options options;
    options.defaultSpeed = 0;  // moves end at once
    StartSim("D3,X1,Q0", options);
    EXPECT_EQ(Ask("D3m\r"), "D3>0\r");
    EXPECT_EQ(Ask("D3A16249\r"), "D3>\r");
    EXPECT_EQ(Ask("D3M5\r"), "D3>\r");  // M moves but is not the read-back
    EXPECT_EQ(Ask("D3m\r"), "D3>16249\r");
    EXPECT_EQ(Ask("Y1A3000000\r"), "y1>\r");
    EXPECT_EQ(Ask("Y1m\r"), "y1>3000000\r");
    EXPECT_EQ(Ask("X1m\r"), "x1>0\r");
    EXPECT_EQ(Ask("Q0A77\r"), "Q0>\r");
    EXPECT_EQ(Ask("Q0m\r"), "Q0>77\r");
    EXPECT_EQ(sim->GetMotor("D3")->position, 5);
}

TEST_F(SimTest, PositionGrammarMatchesTheHostsBookkeeping) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3,U2,H1,X1", options);
    auto pos = [&](const char* m) { return sim->GetMotor(m)->position; };
    EXPECT_EQ(Ask("D3A1000\r"), "D3>\r");
    EXPECT_EQ(Ask("D3R+250\r"), "D3>\r");
    EXPECT_EQ(Ask("D3RN-50\r"), "D3>\r");
    EXPECT_EQ(Ask("D3RY-100\r"), "D3>\r");
    EXPECT_EQ(pos("D3"), 1100);
    EXPECT_EQ(Ask("D3DA1010\r"), "D3>\r");  // correction text with its motor letter
    EXPECT_EQ(pos("D3"), 1010);
    EXPECT_EQ(Ask("D3oR+5,M20\r"), "D3>\r");  // an option sequence is skipped up to ','
    EXPECT_EQ(pos("D3"), 20);
    EXPECT_EQ(Ask("D3N0A7\r"), "D3>\r");  // N zeroes and passes over one character
    EXPECT_EQ(pos("D3"), 7);
    // UBoard: exactly one free character after R.
    EXPECT_EQ(Ask("U2RQ+30\r"), "U2>\r");
    EXPECT_EQ(pos("U2"), 30);
    EXPECT_EQ(Ask("U2R+30\r"), "U2!\r");
    EXPECT_EQ(pos("U2"), 30);
    // Step mode.
    EXPECT_EQ(Ask("H1F\r"), "H1>\r");
    EXPECT_TRUE(sim->GetMotor("H1")->fullStep);
    EXPECT_EQ(Ask("H1H\r"), "H1>\r");
    EXPECT_FALSE(sim->GetMotor("H1")->fullStep);
    // Axis frames: each axis letter selects its axis.
    EXPECT_EQ(Ask("X1A100,Y1A200,Z1R-5\r"), "x1>\r");
    EXPECT_EQ(pos("X1"), 100);
    EXPECT_EQ(pos("Y1"), 200);
    EXPECT_EQ(pos("Z1"), -5);
    EXPECT_EQ(pos("W1"), 0);
    // Parameter errors change nothing.
    EXPECT_EQ(Ask("D3A\r"), "D3!\r");
    EXPECT_EQ(Ask("D3A50R*3\r"), "D3!\r");
    EXPECT_EQ(pos("D3"), 7);
    EXPECT_EQ(Ask("D3S99\r"), "D3>\r");  // unknown commands are accepted and do nothing
}

TEST_F(SimTest, ASetsPositionWithAset) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3:aset=1,Q0", options);
    ASSERT_TRUE(sim->SetEncoderLink({0, 0, *ParseMotorId("D3")}));
    EXPECT_EQ(Ask("D3M1000\r"), "D3>\r");
    EXPECT_EQ(Ask("D3A990\r"), "D3>\r");  // the register only: the encoder stays at 1000
    EXPECT_EQ(sim->GetMotor("D3")->position, 990);
    EXPECT_EQ(Ask("Q0p0\r"), "q0>1000\r");
    EXPECT_EQ(Ask("D3m\r"), "D3>990\r");
    EXPECT_EQ(Ask("D3M1000\r"), "D3>\r");  // moves 10 further
    EXPECT_EQ(Ask("Q0p0\r"), "q0>1010\r");
}

TEST_F(SimTest, EncodersFollowLinkedMotors) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3,X1,Q0", options);
    LinkConfig d3{0, 0, *ParseMotorId("D3")};
    LinkConfig x1{0, 1, *ParseMotorId("X1")};
    x1.offset = 7;
    x1.scale = 2.0;
    ASSERT_TRUE(sim->SetEncoderLink(d3));
    ASSERT_TRUE(sim->SetEncoderLink(x1));
    EXPECT_FALSE(sim->SetEncoderLink({5, 0, *ParseMotorId("D3")}));  // no QBoard 5
    EXPECT_EQ(Ask("Q0P\r"), "q0>0,7\r");
    EXPECT_EQ(Ask("D3A120\r"), "D3>\r");
    EXPECT_EQ(Ask("X1R-20\r"), "x1>\r");
    EXPECT_EQ(Ask("Q0P\r"), "q0>120,-33\r");
    EXPECT_EQ(Ask("Q0p0\r"), "q0>120\r");
    EXPECT_EQ(Ask("Q0p1\r"), "q0>-33\r");
    EXPECT_EQ(Ask("Q0p2\r"), "Q0!\r");
    EXPECT_EQ(Ask("Q0\r"), "Q0>\r");
    // Full-step mode: every step counts twice from then on.
    EXPECT_EQ(Ask("D3F\r"), "D3>\r");
    EXPECT_EQ(Ask("D3R+10\r"), "D3>\r");
    EXPECT_EQ(Ask("Q0p0\r"), "q0>140\r");
    // Zero position resets the encoder's reference too.
    EXPECT_EQ(Ask("D3N0\r"), "D3>\r");
    EXPECT_EQ(Ask("Q0p0\r"), "q0>0\r");
    // A forced count on a linked channel becomes an offset.
    EXPECT_TRUE(sim->SetEncoderCount(0, 0, 25));
    EXPECT_EQ(Ask("D3H\r"), "D3>\r");
    EXPECT_EQ(Ask("D3A5\r"), "D3>\r");
    EXPECT_EQ(sim->EncoderCount(0, 0).value_or(-1), 30);
    EXPECT_TRUE(sim->UnlinkEncoder(0, 1));
    EXPECT_TRUE(sim->SetEncoderCount(0, 1, -4));
    EXPECT_EQ(Ask("Q0P\r"), "q0>30,-4\r");
}

TEST_F(SimTest, SlippingMotorFallsShortOnTheEncoder) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3,Q0", options);
    LinkConfig link{0, 0, *ParseMotorId("D3")};
    link.slip = 0.01;
    ASSERT_TRUE(sim->SetEncoderLink(link));
    EXPECT_EQ(Ask("D3A1000\r"), "D3>\r");
    EXPECT_EQ(Ask("Q0p0\r"), "q0>990\r");
    EXPECT_EQ(sim->GetMotor("D3")->position, 1000);  // the board believes it got there
    EXPECT_EQ(Ask("D3A0\r"), "D3>\r");
    EXPECT_EQ(Ask("Q0p0\r"), "q0>0\r");
}

TEST_F(SimTest, EncoderCountsGrowDuringAMove) {
    Options options;
    options.defaultSpeed = 2000;  // 2000 steps: 1 s
    StartSim("D3,Q0", options);
    ASSERT_TRUE(sim->SetEncoderLink({0, 0, *ParseMotorId("D3")}));
    EXPECT_EQ(Ask("D3A2000\r"), "D3>\r");
    usleep(30000);
    auto mid = sim->EncoderCount(0, 0);
    ASSERT_TRUE(mid);
    EXPECT_GT(*mid, 20);
    EXPECT_LT(*mid, 2000);
    EXPECT_TRUE(sim->SetMotorSpeed("D3", 0));  // the rest at once
    EXPECT_EQ(Ask("Q0p0\r"), "q0>2000\r");
    EXPECT_FALSE(sim->SetMotorSpeed("D4", 0));
}

}  // namespace vendra::sim::test
