// The serial line against a pty whose far end the test plays byte by byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "PtyPeer.h"
#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/SerialPort.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

using test::PtyPeer;
namespace fs = std::filesystem;

class CountingOperator : public test::ScriptedOperator {
  public:
    void ProcessEvents() override { ++pumps; }
    bool PumpsEvents() const override { return true; }  // the waits are the GUI thread's
    std::atomic<int> pumps{0};
};

uint64_t ElapsedMs(uint64_t startUs) {
    return (TickUs() - startUs) / 1000;
}

fs::path MakeTempDir() {
    char pattern[] = "/tmp/vendra-serial-XXXXXX";
    return fs::path(::mkdtemp(pattern));
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.Ok());
        ASSERT_TRUE(port.OpenDevice(peer.Path(), 57600));
        state.Serial.CurrentBaud = 57600;
    }
    // Lets the host see `n` bytes the peer sent.
    void AwaitQueued(uint32_t n) {
        for (int i = 0; i < 200 && port.InputQueueCount() < n; ++i) SleepMs(1);
        ASSERT_EQ(port.InputQueueCount(), n);
    }

    SystemState state;
    CountingOperator op;
    PtyPeer peer;
    SerialPort port{state.Serial, op};
};

TEST(SerialPortNames, PortNumberToDevice) {
    fs::path dir = MakeTempDir();
    fs::create_symlink("/dev/null", dir / "COM3");
    fs::create_symlink("/nonexistent/device", dir / "COM12");  // dangling: still chosen
    EXPECT_EQ(DevicePathForPort(3, dir), (dir / "COM3").string());
    EXPECT_EQ(DevicePathForPort(12, dir), (dir / "COM12").string());
    EXPECT_EQ(DevicePathForPort(4, dir), "/dev/ttyS3");
    EXPECT_EQ(DevicePathForPort(1, dir), "/dev/ttyS0");
    EXPECT_EQ(DevicePathForPort(41, dir), "/dev/ttyS40");
    EXPECT_EQ(DevicePathForPort(0, dir), "");
    EXPECT_EQ(DevicePathForPort(-2, dir), "");
    fs::remove_all(dir);

    EXPECT_EQ(WindowsDeviceName(1), "COM1");
    EXPECT_EQ(WindowsDeviceName(9), "COM9");
    EXPECT_EQ(WindowsDeviceName(10), "\\\\.\\COM10");
    EXPECT_EQ(WindowsDeviceName(40), "\\\\.\\COM40");
}

TEST(SerialPortOpen, ByPortNumberThroughComLinkAndFailures) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    fs::path dir = MakeTempDir();
    fs::create_symlink(peer.Path(), dir / "COM7");
    std::ofstream(dir / "COM8") << "not a device";
    fs::create_symlink(dir / "missing", dir / "COM9");

    SystemState state;
    test::ScriptedOperator op;
    SerialPort port(state.Serial, op);
    port.SetDeviceFolder(dir.string());

    state.Serial.QuietWait = 1;
    ASSERT_TRUE(port.OpenPort(7, 57600));
    EXPECT_EQ(state.Serial.PortOpen.load(), 1u);
    EXPECT_EQ(state.Serial.QuietWait.load(), 0u);
    // Exclusive: a second opener is refused while the port is open, welcome after it closed.
    SystemState otherState;
    SerialPort other(otherState.Serial, op);
    EXPECT_FALSE(other.OpenDevice(peer.Path(), 57600));
    EXPECT_EQ(other.LastError(), peer.Path() + " is busy: another program holds it");
    port.ClosePort();
    EXPECT_EQ(state.Serial.PortOpen.load(), 0u);
    EXPECT_TRUE(other.OpenDevice(peer.Path(), 57600));
    other.ClosePort();
    ASSERT_TRUE(port.OpenPort(7, 57600));  // reopens after close

    EXPECT_FALSE(port.OpenPort(8, 57600));  // a regular file is not a serial device
    EXPECT_EQ(state.Serial.PortOpen.load(), 0u);
    EXPECT_NE(port.LastError().find("not a serial device"), std::string::npos);
    EXPECT_FALSE(port.OpenPort(9, 57600));  // link to nothing
    EXPECT_EQ(port.LastError(), (dir / "COM9").string() +
                                    ": no such device (is the adapter plugged in, and the port "
                                    "number right?)");
    EXPECT_FALSE(port.OpenPort(0, 57600));
    EXPECT_FALSE(port.OpenDevice(peer.Path(), 12345));  // no such rate

    // Closed: every operation fails at once, nothing is shown.
    char reply[20] = "x";
    uint64_t start = TickUs();
    EXPECT_FALSE(port.WriteFrame("D0v0\r"));
    EXPECT_FALSE(port.WaitForReply(500));
    EXPECT_FALSE(port.ReadReply(reply, sizeof reply));
    EXPECT_EQ(reply[0], '\0');
    EXPECT_EQ(port.ReadByte(), 0);
    EXPECT_FALSE(port.SetBaudRate(9600));
    EXPECT_FALSE(port.OutputQueueEmpty());
    EXPECT_EQ(port.InputQueueCount(), 0u);
    EXPECT_LT(ElapsedMs(start), 50u);
    EXPECT_TRUE(op.Boxes().empty());
    fs::remove_all(dir);
}

TEST_F(SerialPortTest, FramesGoOutAsWrittenAndTimeStamped) {
    EXPECT_TRUE(port.WriteFrame("D3v0\r"));
    EXPECT_EQ(peer.Receive(5), "D3v0\r");

    state.Serial.TimeStampFrames = 1;
    uint32_t before = TickMs();
    EXPECT_TRUE(port.WriteFrame("D3A1000\r"));
    uint32_t after = TickMs();
    std::string line = peer.Receive(64, 100);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex("([0-9]+) : D3A1000\r"))) << line;
    uint32_t stamp = static_cast<uint32_t>(std::stoul(m[1]));
    EXPECT_LE(before, stamp);
    EXPECT_LE(stamp, after);

    // Back-to-back frames both arrive: the next frame's purge drops no byte that has left.
    state.Serial.TimeStampFrames = 0;
    EXPECT_TRUE(port.WriteFrame("A\r"));
    EXPECT_TRUE(port.WriteFrame("B\r"));
    EXPECT_EQ(peer.Receive(4, 200), "A\rB\r");

    // WriteText is never stamped.
    EXPECT_TRUE(port.WriteText("GG*\r"));
    EXPECT_EQ(peer.Receive(4), "GG*\r");
}

TEST_F(SerialPortTest, TransmitDelayPacesEveryByte) {
    state.Serial.TransmitDelay = 5;
    uint64_t start = TickUs();
    EXPECT_TRUE(port.WriteFrame("X1Q12345\r\n"));  // 10 bytes
    uint64_t took = ElapsedMs(start);
    EXPECT_GE(took, 60u);
    EXPECT_LT(took, 400u);
    EXPECT_EQ(peer.Receive(10), "X1Q12345\r\n");
}

TEST_F(SerialPortTest, WriteLargerThanTheDriverBufferGoesOutWholeAfterShortWrites) {
    // The pty takes a few kB at a time: the device's writes come back short and must be
    // continued, in order, as the far end reads.
    std::string text;
    for (int i = 0; text.size() < 200000; ++i) text += std::to_string(i) + ",";
    std::string got;
    std::thread board([&] {
        while (got.size() < text.size()) {
            std::string part = peer.Receive(std::min<size_t>(4096, text.size() - got.size()), 2000);
            if (part.empty()) break;
            got += part;
            SleepMs(1);
        }
    });
    EXPECT_TRUE(port.WriteText(text.c_str()));
    board.join();
    EXPECT_EQ(got.size(), text.size());
    EXPECT_TRUE(got == text);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(SerialPortTest, WriteFramePurgesStaleInput) {
    peer.Send("stale\r");
    AwaitQueued(6);
    EXPECT_TRUE(port.WriteFrame("D1\r"));
    EXPECT_EQ(port.InputQueueCount(), 0u);
}

TEST_F(SerialPortTest, ReplySplitAcrossReadsIsJoined) {
    std::thread board([&] {
        peer.Send("D3");
        SleepMs(30);
        peer.Send(">12");
        SleepMs(30);
        peer.Send("345\r");
    });
    char reply[20];
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    board.join();
    EXPECT_STREQ(reply, "D3>12345");
}

TEST_F(SerialPortTest, ReplyLongerThanBufferIsCutAndTheLineConsumed) {
    // At 57600 the reply is read 4 bytes at a time: ABCD EFGH IJKL MNOP "\rZZ".
    peer.Send("ABCDEFGHIJKLMNOP\rZZ");
    AwaitQueued(19);
    char reply[8];
    std::memset(reply, '#', sizeof reply);
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    EXPECT_STREQ(reply, "ABCDEFG");
    EXPECT_EQ(port.InputQueueCount(), 0u);  // "ZZ" came in the chunk that held the CR
}

TEST_F(SerialPortTest, BytesAfterCrAreDroppedOnlyWithinTheirChunk) {
    char reply[20];
    // 4-byte chunks: "D3>\r" is one chunk, the next line stays queued.
    peer.Send("D3>\rq0>5\r");
    AwaitQueued(9);
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    EXPECT_STREQ(reply, "D3>");
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    EXPECT_STREQ(reply, "q0>5");

    // 15-byte chunks at 460800: both lines come in one chunk and the second is lost.
    state.Serial.CurrentBaud = 460800;
    peer.Send("D3>\rq0>5\r");
    AwaitQueued(9);
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    EXPECT_STREQ(reply, "D3>");
    EXPECT_EQ(port.InputQueueCount(), 0u);

    // 8-byte chunks above 115200: "D3>\rq0>5" is one chunk, "\r" stays.
    state.Serial.CurrentBaud = 230399;
    peer.Send("D3>\rq0>5\rX");
    AwaitQueued(10);
    EXPECT_TRUE(port.ReadReply(reply, sizeof reply));
    EXPECT_EQ(port.InputQueueCount(), 2u);
}

TEST_F(SerialPortTest, ReplyLineKeepsWhatCameAfterItsCrForTheNextRead) {
    char reply[20];
    // Three lines in one read: each read of a line gives the next, and every other way of taking
    // input sees the bytes kept after a CR before the device's.
    peer.Send("H1>\rD3>7\rQ0");
    AwaitQueued(11);
    EXPECT_TRUE(port.ReadReplyLine(reply, sizeof reply));
    EXPECT_STREQ(reply, "H1>");
    EXPECT_EQ(port.InputQueueCount(), 7u);
    EXPECT_TRUE(port.WaitForInput(0));
    EXPECT_TRUE(port.ReadReplyLine(reply, sizeof reply));
    EXPECT_STREQ(reply, "D3>7");
    EXPECT_EQ(port.ReadByte(), 'Q');
    peer.Send(">1\rX\r");
    AwaitQueued(6);
    EXPECT_TRUE(port.ReadReplyLine(reply, sizeof reply));
    EXPECT_STREQ(reply, "0>1");
    EXPECT_EQ(port.TakeWaitingInput(), "X\r");

    peer.Send("A\rB\r");
    AwaitQueued(4);
    EXPECT_TRUE(port.ReadReplyLine(reply, sizeof reply));
    uint8_t raw[8];
    EXPECT_EQ(port.ReadAvailable(raw, sizeof raw), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), 2), "B\r");

    peer.Send("A\rB\r");
    AwaitQueued(4);
    EXPECT_TRUE(port.ReadReplyLine(reply, sizeof reply));
    port.PurgeInput();
    EXPECT_EQ(port.InputQueueCount(), 0u);
    EXPECT_FALSE(port.WaitForInput(20));
}

TEST_F(SerialPortTest, ReplyWithoutCrGivesUpAfterTwoSeconds) {
    peer.Send("D3>1");
    char reply[20];
    uint64_t start = TickUs();
    EXPECT_FALSE(port.ReadReply(reply, sizeof reply));
    uint64_t took = ElapsedMs(start);
    EXPECT_STREQ(reply, "D3>1");
    EXPECT_GE(took, 2000u);
    EXPECT_LT(took, 2300u);
}

TEST_F(SerialPortTest, WaitForReplyReturnsAsSoonAsInputIsThere) {
    peer.Send("D3>");
    AwaitQueued(3);
    uint64_t start = TickUs();
    EXPECT_TRUE(port.WaitForReply(1000));
    EXPECT_LT(TickUs() - start, 2000u);  // under 2 ms: no settle sleep

    port.PurgeInput();
    std::thread board([&] {
        SleepMs(20);
        peer.Send("D");
    });
    start = TickUs();
    EXPECT_TRUE(port.WaitForReply(1000));
    uint64_t took = ElapsedMs(start);
    board.join();
    EXPECT_GE(took, 15u);
    EXPECT_LT(took, 120u);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(SerialPortTest, WaitForReplyTimeOutShowsMessageOnlyWhenNotQuiet) {
    uint64_t start = TickUs();
    EXPECT_FALSE(port.WaitForReply(80));
    uint64_t took = ElapsedMs(start);
    EXPECT_GE(took, 80u);
    EXPECT_LT(took, 200u);
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Wait Port Error\nTerminating procedure");
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
    EXPECT_EQ(boxes[0].flags, 48u);
    // The GUI got its events during the wait.
    EXPECT_GE(op.pumps.load(), 10);

    state.Serial.QuietWait = 1;
    EXPECT_FALSE(port.WaitForReply(30));
    EXPECT_FALSE(port.WaitForInput(30));
    EXPECT_EQ(op.Boxes().size(), 1u);
}

TEST_F(SerialPortTest, WaitRunningOutItsTimeOutCostsUnderTwoPercentOfACore) {
    state.Serial.QuietWait = 1;
    auto threadCpuMs = [] {
        timespec ts{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    };
    double cpu = threadCpuMs();
    uint64_t start = TickUs();
    EXPECT_FALSE(port.WaitForReply(1000));
    double wallMs = (TickUs() - start) / 1e3;
    double percent = 100.0 * (threadCpuMs() - cpu) / wallMs;
    EXPECT_LT(percent, 2.0);
    RecordProperty("cpu_percent_of_core", std::to_string(percent));
}

TEST_F(SerialPortTest, ReadByteReturnsTheByteOrZeroAfterItsTimeOut) {
    peer.Send(":");
    EXPECT_EQ(port.ReadByte(), ':');
    uint64_t start = TickUs();
    EXPECT_EQ(port.ReadByte(), 0);
    uint64_t took = ElapsedMs(start);
    EXPECT_GE(took, 55u);
    EXPECT_LT(took, 200u);
}

TEST_F(SerialPortTest, SetBaudRateChangesTheLineAndCurrentBaud) {
    ASSERT_TRUE(port.SetBaudRate(115200));
    EXPECT_EQ(state.Serial.CurrentBaud.load(), 115200u);
    termios tio{};
    ASSERT_EQ(::tcgetattr(peer.Master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_FALSE(port.SetBaudRate(12345));
    EXPECT_EQ(state.Serial.CurrentBaud.load(), 115200u);
}

TEST_F(SerialPortTest, VanishingDeviceEndsWaitsPromptlyAndClosesThePort) {
    state.Serial.QuietWait = 1;
    std::thread unplug([&] {
        SleepMs(50);
        peer.Vanish();
    });
    uint64_t start = TickUs();
    EXPECT_FALSE(port.WaitForReply(5000));
    uint64_t took = ElapsedMs(start);
    unplug.join();
    EXPECT_LT(took, 500u);
    EXPECT_EQ(state.Serial.PortOpen.load(), 0u);
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);  // reported once, whatever QuietWait says
    EXPECT_NE(boxes[0].text.find("Communications Port lost"), std::string::npos);
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");

    char reply[20];
    EXPECT_FALSE(port.ReadReply(reply, sizeof reply));
    EXPECT_FALSE(port.WriteFrame("D0\r"));
    EXPECT_EQ(op.Boxes().size(), 1u);
}

TEST_F(SerialPortTest, VanishingDeviceEndsAPendingReplyRead) {
    peer.Send("D3>");
    std::thread unplug([&] {
        SleepMs(50);
        peer.Vanish();
    });
    char reply[20];
    uint64_t start = TickUs();
    EXPECT_FALSE(port.ReadReply(reply, sizeof reply));
    unplug.join();
    EXPECT_LT(ElapsedMs(start), 500u);
    EXPECT_EQ(state.Serial.PortOpen.load(), 0u);
}

TEST_F(SerialPortTest, AbortWaitsEndsAWaitFromAnotherThread) {
    state.Serial.QuietWait = 1;
    std::thread stopper([&] {
        SleepMs(30);
        port.AbortWaits(true);
    });
    uint64_t start = TickUs();
    EXPECT_FALSE(port.WaitForReply(5000));
    stopper.join();
    EXPECT_LT(ElapsedMs(start), 300u);
    port.AbortWaits(false);
    peer.Send("D0>\r");
    EXPECT_TRUE(port.WaitForReply(500));
}

TEST(WaitHelpers, PumpCounterDelaysAndCalendarSeconds) {
    SystemState state;
    CountingOperator op;
    for (int i = 0; i < 100; ++i) PumpMessages(state.Serial.PumpCounter, op);
    EXPECT_EQ(op.pumps.load(), 0);
    PumpMessages(state.Serial.PumpCounter, op);  // the 101st
    EXPECT_EQ(op.pumps.load(), 1);
    for (int i = 0; i < 101; ++i) PumpMessages(state.Serial.PumpCounter, op);
    EXPECT_EQ(op.pumps.load(), 2);

    op.pumps = 0;
    uint64_t start = TickUs();
    DelayMs(op, 30);
    uint64_t took = ElapsedMs(start);
    EXPECT_GE(took, 31u);
    EXPECT_LT(took, 100u);
    EXPECT_GE(op.pumps.load(), 3);   // sliced, with GUI events between slices
    EXPECT_LE(op.pumps.load(), 40);  // ... but not a busy loop

    start = TickUs();
    DelaySeconds(op, 1);
    took = ElapsedMs(start);
    EXPECT_LE(took, 1100u);
}

}  // namespace
}  // namespace vendra
