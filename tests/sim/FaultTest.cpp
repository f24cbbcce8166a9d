// Faults on demand, the vanishing line and line-speed pacing.
#include <poll.h>
#include <unistd.h>

#include <filesystem>

#include "SimFixture.h"

namespace vendra::sim::test {

namespace {

int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace

TEST_F(SimTest, ErrorFaultRefusesTheCommandOnce) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3,X1", options);
    std::string error;
    ASSERT_NE(sim->AddFault("error:match=D3A:once", &error), 0) << error;
    EXPECT_EQ(Ask("D3A100\r"), "D3!\r");
    EXPECT_EQ(sim->GetMotor("D3")->position, 0);  // the unit did not act
    EXPECT_EQ(Ask("D3A100\r"), "D3>\r");
    EXPECT_EQ(sim->GetMotor("D3")->position, 100);
    ASSERT_NE(sim->AddFault("error:match=X1:status=E"), 0);
    EXPECT_EQ(Ask("X1\r"), "x1E\r");
    EXPECT_EQ(Ask("X1v0\r"), "x1E\r");
    auto faults = sim->Faults();
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_TRUE(faults[0].Spent());
    EXPECT_EQ(faults[1].hits, 2);
    EXPECT_TRUE(sim->RemoveFault(faults[1].id));
    EXPECT_EQ(Ask("X1\r"), "x1f\r");
}

TEST_F(SimTest, NoReplyAndSkip) {
    StartSim("Q0");
    ASSERT_NE(sim->AddFault("noreply:match=Q0P:skip=1:count=1"), 0);
    EXPECT_EQ(Ask("Q0P\r"), "q0>0,0\r");  // let through
    host.Write("Q0P\r");                  // lost
    EXPECT_EQ(host.ReadFor(60), "");
    EXPECT_EQ(Ask("Q0P\r"), "q0>0,0\r");  // spent
}

TEST_F(SimTest, LateReplyComesAfterItsDelay) {
    StartSim("D3");
    ASSERT_NE(sim->AddFault("late:ms=80"), 0);
    auto start = std::chrono::steady_clock::now();
    host.Write("D3v0\r");
    EXPECT_FALSE(host.ReadLine(40));  // not yet
    auto line = host.ReadLine(500);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "D3>200\r");
    EXPECT_GE(MsSince(start), 80);
    // Stop is prompt even with an answer pending.
    host.Write("D3v0\r");
    ASSERT_TRUE(sim->WaitForFrames(2, 1000));
    sim->ClearFaults();
    sim->AddFault("late:ms=5000");
    host.Write("D3v3\r");
    ASSERT_TRUE(sim->WaitForFrames(3, 1000));
    auto stopStart = std::chrono::steady_clock::now();
    sim->Stop();
    EXPECT_LT(MsSince(stopStart), 500);
}

TEST_F(SimTest, SpoiledAnswers) {
    StartSim("D3,H1");
    ASSERT_NE(sim->AddFault("nocr:match=D3v0:once"), 0);
    host.Write("D3v0\r");
    EXPECT_EQ(host.ReadCount(6), "D3>200");
    EXPECT_EQ(host.ReadFor(20), "");
    ASSERT_NE(sim->AddFault("overlong:match=D3v3:len=25:once"), 0);
    EXPECT_EQ(Ask("D3v3\r"), "D3>110123456789012345678901234\r");
    ASSERT_NE(sim->AddFault("garbage:match=D3m:text=\\x01#?:once"), 0);
    EXPECT_EQ(Ask("D3m\r"), "\x01#?\r");
    // offby moves the answer's number and keeps the rest; an answer without one is left alone.
    EXPECT_EQ(Ask("H1A41\r"), "H1>\r");
    ASSERT_NE(sim->AddFault("offby:match=H1m:once"), 0);
    EXPECT_EQ(Ask("H1m\r"), "H1>42\r");
    EXPECT_EQ(Ask("H1m\r"), "H1>41\r");  // spent
    ASSERT_NE(sim->AddFault("offby:match=D3v0:by=-250:once"), 0);
    EXPECT_EQ(Ask("D3v0\r"), "D3>-50\r");
    ASSERT_NE(sim->AddFault("offby:match=D3:once"), 0);
    EXPECT_EQ(Ask("D3\r"), "D3f\r");
    EXPECT_EQ(ShiftLeadingNumber("12,34", 1), "13,34");
    ASSERT_NE(sim->AddFault("wrongaddr:match=H1:digit=A:once"), 0);
    EXPECT_EQ(Ask("H1v0\r"), "HA>200\r");
    // Faults compose: late and wrong address on the same frame.
    ASSERT_NE(sim->AddFault("late:match=D3v4:ms=30:once"), 0);
    ASSERT_NE(sim->AddFault("wrongaddr:match=D3v4:once"), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask("D3v4\r"), "D4>33\r");
    EXPECT_GE(MsSince(start), 30);
}

TEST_F(SimTest, LineVanishesOnAFrame) {
    StartSim("D3");
    ASSERT_NE(sim->AddFault("vanish:match=GG*"), 0);
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    host.Write("GG*\r");
    for (int i = 0; i < 100 && !sim->LineVanished(); ++i) usleep(2000);
    EXPECT_TRUE(sim->LineVanished());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir + "/COM1")));
    // The host's end sees the hang-up instead of waiting forever.
    pollfd p{host.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 500), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
}

TEST_F(SimTest, LineVanishesOnRequest) {
    StartSim("D3");
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    sim->VanishLine();
    EXPECT_TRUE(sim->LineVanished());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir + "/COM1")));
    EXPECT_FALSE(host.Exchange("D3v0\r", 50));
    sim->Stop();
}

// The line comes back on the same link, with the units as they were: on request, and on its own
// after a vanish fault's return time.
TEST_F(SimTest, VanishedLineComesBackOnTheSameLink) {
    StartSim("D3:speed=0");
    EXPECT_EQ(Ask("D3A700\r"), "D3>\r");
    EXPECT_TRUE(sim->ReturnLine());  // never went: nothing to do
    EXPECT_EQ(sim->LineReturns(), 0);

    sim->VanishLine();
    ASSERT_TRUE(sim->LineVanished());
    host.Close();
    ASSERT_TRUE(sim->ReturnLine());
    EXPECT_FALSE(sim->LineVanished());
    EXPECT_EQ(sim->LineReturns(), 1);
    EXPECT_EQ(sim->LinkPath(), dir + "/COM1");
    ASSERT_TRUE(host.Open(dir + "/COM1"));
    EXPECT_EQ(Ask("D3m\r"), "D3>700\r");

    ASSERT_NE(sim->AddFault("vanish:match=D3v0:once:return=150"), 0);
    auto vanished = std::chrono::steady_clock::now();
    host.Write("D3v0\r");
    ASSERT_TRUE(WaitUntil([&] { return sim->LineVanished(); }));
    host.Close();
    ASSERT_TRUE(WaitUntil([&] { return !sim->LineVanished(); }, 2000));
    EXPECT_GE(MsSince(vanished), 150);
    EXPECT_EQ(sim->LineReturns(), 2);
    ASSERT_TRUE(host.Open(dir + "/COM1"));
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
}

TEST_F(SimTest, PacingTakesLineTime) {
    StartPaced("D3:v4=1234567", 9600);  // 1.04 ms per byte
    // "D3v4\r" (5 bytes in) then "D3>1234567\r" (11 bytes out): at least 16 ms on a real line.
    auto start = std::chrono::steady_clock::now();
    host.Write("D3v4\r");
    std::string got;
    std::vector<int64_t> arrivals;
    while (got.find('\r') == std::string::npos && MsSince(start) < 1000) {
        pollfd p{host.fd(), POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c[32];
        ssize_t n = read(host.fd(), c, sizeof c);
        if (n > 0) {
            got.append(c, static_cast<size_t>(n));
            arrivals.push_back(MsSince(start));
        }
    }
    EXPECT_EQ(got, "D3>1234567\r");
    EXPECT_GE(MsSince(start), 16);
    EXPECT_LT(MsSince(start), 200);
    EXPECT_GE(arrivals.size(), 2u);  // the bytes trickle in, they do not come in one lump
    // Without pacing the same exchange is far quicker.
    sim->SetPacing(false);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask("D3v4\r"), "D3>1234567\r");
    EXPECT_LT(MsSince(start), 15);
}

// The answer's last byte is the one the host waits for; the simulator spins the last stretch
// to release it on time, which must never mean before its line time.
TEST_F(SimTest, PacedLastByteLeavesAtItsLineTimeNotBefore) {
    StartPaced("D3:v4=1234567", 115200);  // 86.8 us per byte
    for (int round = 0; round < 20; ++round) {
        sim->ClearLog();
        // 5 bytes in, 11 out: the CR is complete 16 byte times after the frame began to arrive.
        ASSERT_EQ(Ask("D3v4\r"), "D3>1234567\r");
        int64_t in = -1, lastOut = -1;
        for (const auto& e : sim->ByteLogEntries()) {
            if (e.kind == LogKind::Received && in < 0) in = e.timeUs;
            if (e.kind == LogKind::Sent && !e.bytes.empty() && e.bytes.back() == '\r')
                lastOut = e.timeUs;
        }
        ASSERT_GE(in, 0);
        ASSERT_GE(lastOut, 0);
        // The log stamps whole microseconds a little after each read and write: 5 us of leeway,
        // far below the 87 us of one byte released early.
        EXPECT_GE(lastOut - in, 16 * 1e6 / 11520 - 5) << "round " << round;
    }
}

TEST_F(SimTest, PacedAnswersQueueBehindEachOther) {
    StartPaced("D3,Q0", 19200);  // 0.52 ms per byte
    auto start = std::chrono::steady_clock::now();
    // 15 bytes in, 7 + 7 + 6 out: each answer starts when its frame is in and the previous
    // answer is out, so the last ends 2.6 + 3.6 + 3.6 + 3.1 = 12.9 ms after the start.
    host.Write("D3v0\rQ0v0\rD3v3\r");
    std::string all;
    while (all.size() < 20 && MsSince(start) < 1000) all += host.ReadFor(5);
    EXPECT_EQ(all, "D3>200\rQ0>200\rD3>11\r");
    EXPECT_GE(MsSince(start), 12);
    EXPECT_LT(MsSince(start), 200);
}

}  // namespace vendra::sim::test
