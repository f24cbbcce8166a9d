// The line itself: link, identity answers, global frames, rates, the byte log.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "SimFixture.h"

namespace vendra::sim::test {

namespace fs = std::filesystem;

TEST_F(SimTest, LinkPointsToSlaveAndGoesAtStop) {
    StartSim("D3");
    EXPECT_EQ(sim->LinkPath(), dir + "/COM1");
    EXPECT_EQ(fs::read_symlink(sim->LinkPath()).string(), sim->SlavePath());
    sim->Stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir + "/COM1")));
    sim->Stop();  // a second stop does nothing
}

TEST_F(SimTest, StaleLinkIsReplacedButOtherFilesAreKept) {
    dir = MakeTempDir();
    fs::create_symlink("/dev/pts/98765", dir + "/COM2");
    std::ofstream(dir + "/COM3") << "keep me";
    Options options;
    options.folder = dir;
    options.port = 2;
    Simulator a(options);
    ASSERT_TRUE(a.Start()) << a.Error();
    EXPECT_EQ(fs::read_symlink(dir + "/COM2").string(), a.SlavePath());

    options.port = 3;
    Simulator b(options);
    EXPECT_FALSE(b.Start());
    EXPECT_NE(b.Error().find("COM3"), std::string::npos);
    std::ifstream kept(dir + "/COM3");
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "keep me");

    options.folder = dir + "/missing";
    Simulator c(options);
    EXPECT_FALSE(c.Start());
}

TEST_F(SimTest, IdentityRepliesPerFamily) {
    StartSim("D3:ver=205:cpu=11,U2:cpu=10,H1,X1:ver=104,Q0:ver=110");
    EXPECT_EQ(Ask("D3v0\r"), "D3>205\r");
    EXPECT_EQ(Ask("D3v3\r"), "D3>11\r");
    EXPECT_EQ(Ask("U2v3\r"), "U2>10\r");
    EXPECT_EQ(Ask("H1v0\r"), "H1>200\r");
    EXPECT_EQ(Ask("X1v0\r"), "x1>104\r");
    EXPECT_EQ(Ask("Z1v0\r"), "z1>104\r");
    EXPECT_EQ(Ask("Q0v0\r"), "Q0>110\r");
    EXPECT_EQ(Ask("D3v1D\r"), "D3>0\r");
    EXPECT_EQ(Ask("D3vA\r"), "D3>Jan 15 2024\r");
    EXPECT_EQ(Ask("D3v1E\r"), "D3!\r");
    // Absent units and unaddressed frames stay silent.
    host.Write("D4v0\r");
    host.Write("Xv0\r");
    host.Write("12 : D3v0\r");
    EXPECT_EQ(host.ReadFor(60), "");
}

// The D, U and H boards may answer in upper or lower case, or with another letter: every answer
// of such a unit, error faults and listings included, carries the letter chosen.
TEST_F(SimTest, ReplyLettersOfTheSteppingBoardsCanBeChosen) {
    Options options;
    options.lowerCaseReplies = true;
    options.defaultSpeed = 0;  // moves end at once
    options.faults.push_back("error:match=H1A5");
    StartSim("D3,U2:reply=E,H1,X1,Q0", options);
    EXPECT_EQ(Ask("D3v0\r"), "d3>200\r");
    EXPECT_EQ(Ask("D3A10\r"), "d3>\r");
    EXPECT_EQ(Ask("D3\r"), "d3f\r");
    EXPECT_EQ(Ask("U2v3\r"), "E2>11\r");
    EXPECT_EQ(Ask("H1A5\r"), "h1!\r");
    EXPECT_EQ(Ask("X1v0\r"), "x1>200\r");
    EXPECT_EQ(Ask("Q0v0\r"), "Q0>200\r");
    std::string error;
    Options lower;
    ASSERT_TRUE(ParseNetworkText("replies lower\nunit D3\n", "n", lower, error)) << error;
    EXPECT_TRUE(lower.lowerCaseReplies);
    EXPECT_FALSE(ParseNetworkText("replies small\n", "n", lower, error));
    for (const char* bad : {"X1:reply=a", "Q0:reply=q", "D3:reply=dd", "D3:reply=1"})
        EXPECT_FALSE(ParseUnits(bad, lower.units, error)) << bad;
}

TEST_F(SimTest, ItemsCanBeChangedWhileRunning) {
    StartSim("UA");
    EXPECT_TRUE(sim->SetItem("UA", 0, "106"));
    EXPECT_FALSE(sim->SetItem("UB", 0, "106"));
    EXPECT_FALSE(sim->SetItem("UA", 30, "1"));
    EXPECT_EQ(Ask("UAv0\r"), "UA>106\r");
    EXPECT_EQ(sim->GetItem("UA", 0).value_or(""), "106");
}

TEST_F(SimTest, GlobalFramesAreNeverAnswered) {
    StartSim("D3,X1");
    host.Write("GG*\r");
    host.Write("GG!\r");
    host.Write("GGZ\r");
    EXPECT_EQ(host.ReadFor(60), "");
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    EXPECT_EQ(sim->ReceivedFrames(),
              (std::vector<std::string>{"GG*\r", "GG!\r", "GGZ\r", "D3v0\r"}));
}

TEST_F(SimTest, FramesAtAnotherRateAreIgnored) {
    Options options;
    options.boardBaud = 57600;
    StartSim("D3", options, 9600);
    host.Write("GG*\r");
    host.Write("D3v0\r");
    EXPECT_TRUE(WaitUntil([&] { return sim->IgnoredFrames().size() == 2; }));
    EXPECT_EQ(host.ReadFor(20), "");
    EXPECT_EQ(sim->HostBaud(), 9600u);
    EXPECT_TRUE(sim->ReceivedFrames().empty());
    EXPECT_EQ(sim->IgnoredFrames(), (std::vector<std::string>{"GG*\r", "D3v0\r"}));
    ASSERT_TRUE(host.SetBaud(57600));
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
}

TEST_F(SimTest, BaudChangeMovesEveryBoard) {
    StartSim("D3,Q0");
    host.Write("GG!\r");
    host.Write("GGc4\r");
    EXPECT_TRUE(sim->WaitForFrames(2, 1000));
    EXPECT_EQ(sim->BoardBaud(), 115200u);
    EXPECT_EQ(host.ReadFor(50), "");
    host.Write("D3v0\r");  // still at 57600: ignored
    EXPECT_TRUE(WaitUntil([&] { return sim->IgnoredFrames().size() == 1; }));
    EXPECT_EQ(host.ReadFor(20), "");
    ASSERT_TRUE(host.SetBaud(115200));
    EXPECT_EQ(Ask("Q0v0\r"), "Q0>200\r");
    // An unknown code changes nothing.
    host.Write("GGc9\r");
    EXPECT_TRUE(sim->WaitForFrames(4, 1000));
    EXPECT_EQ(sim->BoardBaud(), 115200u);
    EXPECT_FALSE(sim->SetBoardBaud(12345));
    EXPECT_TRUE(sim->SetBoardBaud(9600));
    EXPECT_EQ(sim->BoardBaud(), 9600u);
}

TEST_F(SimTest, FramesAfterABaudChangeInTheSameWriteAreIgnored) {
    StartSim("D3");
    host.Write("GGc0\rD3v0\r");  // the boards switch to 9600; the host still sends at 57600
    EXPECT_TRUE(WaitUntil([&] { return sim->IgnoredFrames().size() == 1; }));
    EXPECT_EQ(host.ReadFor(20), "");
    EXPECT_EQ(sim->ReceivedFrames(), (std::vector<std::string>{"GGc0\r"}));
    EXPECT_EQ(sim->IgnoredFrames(), (std::vector<std::string>{"D3v0\r"}));
    ASSERT_TRUE(host.SetBaud(9600));
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
}

TEST_F(SimTest, RestartsWithANewLineAndKeepsTheBoards) {
    Options options;
    options.defaultSpeed = 0;
    StartSim("D3", options);
    EXPECT_EQ(Ask("D3A42\r"), "D3>\r");
    sim->VanishLine();
    host.Close();
    sim->Stop();
    ASSERT_TRUE(sim->Start()) << sim->Error();
    ASSERT_TRUE(host.Open(sim->LinkPath()));
    EXPECT_EQ(Ask("D3m\r"), "D3>42\r");
}

TEST_F(SimTest, ByteLogHoldsEveryByteWithTimes) {
    StartSim("D3");
    int64_t before = MonotonicUs();
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    host.Write("D3");  // a frame split over two writes is one frame
    usleep(5000);
    EXPECT_EQ(Ask("v3\r"), "D3>11\r");
    EXPECT_EQ(sim->ReceivedFrames(), (std::vector<std::string>{"D3v0\r", "D3v3\r"}));
    EXPECT_EQ(sim->SentReplies(), (std::vector<std::string>{"D3>200\r", "D3>11\r"}));
    std::string rx, tx;
    int64_t last = before;
    for (const auto& e : sim->ByteLogEntries()) {
        if (e.kind == LogKind::Note) continue;
        EXPECT_GE(e.timeUs, last);
        last = e.timeUs;
        (e.kind == LogKind::Sent ? tx : rx) += e.bytes;
    }
    EXPECT_EQ(rx, "D3v0\rD3v3\r");
    EXPECT_EQ(tx, "D3>200\rD3>11\r");
    auto frames = sim->Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_GE(frames[1].timeUs - frames[0].timeUs, 4000);
    EXPECT_EQ(frames[0].hostBaud, 57600u);
    sim->ClearLog();
    EXPECT_TRUE(sim->ReceivedFrames().empty());
    EXPECT_FALSE(sim->WaitForFrames(1, 20));
}

TEST_F(SimTest, HostCanCloseAndReopenThePort) {
    StartSim("D3");
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    host.Close();
    usleep(10000);
    ASSERT_TRUE(host.Open(sim->LinkPath()));
    EXPECT_EQ(Ask("D3v3\r"), "D3>11\r");
}

TEST_F(SimTest, LogFileRecordsTraffic) {
    dir = MakeTempDir();
    Options options;
    options.folder = dir;
    options.logFile = dir + "/sim.log";
    options.keepMemoryLog = false;
    std::string error;
    ASSERT_TRUE(ParseUnits("D3", options.units, error));
    sim = std::make_unique<Simulator>(options);
    ASSERT_TRUE(sim->Start()) << sim->Error();
    ASSERT_TRUE(host.Open(sim->LinkPath()));
    EXPECT_EQ(Ask("D3v0\r"), "D3>200\r");
    EXPECT_TRUE(sim->ReceivedFrames().empty());  // nothing kept in memory
    sim->Stop();
    std::ifstream file(options.logFile);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find(" RX D3v0\\r\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" TX D3>200\\r\n"), std::string::npos) << all;
}

}  // namespace vendra::sim::test
