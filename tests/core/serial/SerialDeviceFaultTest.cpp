// The port layer over a device that misbehaves: writes that stall or stop halfway, output that
// never drains, and a device that goes away. Every such call must end within its bound and report
// failure, and a lost device must be reported exactly once.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialPort.h"
#include "support/FakeSerialDevice.h"
#include "support/ScriptedOperator.h"

namespace vendra::test {
namespace {

uint64_t MsSince(uint64_t startUs) {
    return (TickUs() - startUs) / 1000;
}

struct FakeLine {
    FakeLine() {
        auto owned = std::make_unique<FakeSerialDevice>();
        device = owned.get();
        port = std::make_unique<SerialPort>(state.Serial, op, std::move(owned));
        state.Serial.CurrentBaud = 57600;
        EXPECT_TRUE(port->OpenDevice("fake0", 57600));
    }
    SystemState state;
    ScriptedOperator op;
    FakeSerialDevice* device = nullptr;  // owned by the port
    std::unique_ptr<SerialPort> port;
};

TEST(SerialDeviceFault, WritesThatStallOrStopHalfwayFailWithinTheirBound) {
    struct Case {
        const char* name;
        std::function<void(FakeSerialDevice&)> misbehave;
        std::string gotOut;  // what reached the line before the device stopped taking bytes
    };
    const Case cases[] = {
        {"no room at all", [](FakeSerialDevice& d) { d.StallWrites(true); }, ""},
        {"room for three bytes", [](FakeSerialDevice& d) { d.LimitWrites(3); }, "D3A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLine line;
        c.misbehave(*line.device);
        uint64_t start = TickUs();
        EXPECT_FALSE(line.port->WriteFrame("D3A1000\r"));
        uint64_t took = MsSince(start);
        // The bound is a second plus three times the frame's line time: 1004 ms here.
        EXPECT_GE(took, 950u);
        EXPECT_LT(took, 1500u);
        EXPECT_EQ(line.device->Written(), c.gotOut);
        // Not a lost device: no message, the port stays open and the next frame goes out whole.
        EXPECT_TRUE(line.op.Boxes().empty());
        EXPECT_EQ(line.state.Serial.PortOpen.load(), 1u);
        line.device->StallWrites(false);
        line.device->LimitWrites(0);
        line.device->ClearWritten();
        EXPECT_TRUE(line.port->WriteFrame("D3A1000\r"));
        EXPECT_EQ(line.device->Written(), "D3A1000\r");
    }
}

TEST(SerialDeviceFault, OutputThatNeverDrainsEndsTheWriteAndTheWait) {
    FakeLine line;
    line.device->HoldOutput(true);
    uint64_t start = TickUs();
    EXPECT_FALSE(line.port->WriteFrame("D3\r"));
    EXPECT_LT(MsSince(start), 1500u);
    EXPECT_EQ(line.device->Written(), "D3\r");
    EXPECT_FALSE(line.port->OutputQueueEmpty());

    // A reply is never awaited behind output that does not leave: the wait gives up as a
    // time-out, with its message while the wait is not quiet.
    line.device->Feed("D3>\r");
    start = TickUs();
    EXPECT_FALSE(line.port->WaitForReply(100));
    EXPECT_LT(MsSince(start), 1500u);
    auto boxes = line.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Wait Port Error\nTerminating procedure");
    EXPECT_EQ(line.state.Serial.PortOpen.load(), 1u);
}

TEST(SerialDeviceFault, LostDeviceIsReportedOnceAndEveryLaterCallFailsAtOnce) {
    char reply[20];
    struct Case {
        const char* name;
        bool waits;                             // the call waits for the boards
        std::function<bool(SerialPort&)> call;  // true when the call claimed success
    };
    const Case cases[] = {
        {"write", false, [](SerialPort& p) { return p.WriteFrame("D3\r"); }},
        {"wait", true, [](SerialPort& p) { return p.WaitForReply(2000); }},
        {"wait for input", true, [](SerialPort& p) { return p.WaitForInput(2000); }},
        {"read", true, [&](SerialPort& p) { return p.ReadReply(reply, sizeof reply); }},
        {"read byte", true, [](SerialPort& p) { return p.ReadByte() != 0; }},
        {"queue count", false, [](SerialPort& p) { return p.InputQueueCount() != 0; }},
        {"baud", false, [](SerialPort& p) { return p.SetBaudRate(9600); }},
    };
    for (const Case& c : cases) {
        for (bool whileWaiting : {false, true}) {
            if (whileWaiting && !c.waits) continue;
            SCOPED_TRACE(std::string(c.name) + (whileWaiting ? ", lost while waiting" : ""));
            FakeLine line;
            line.state.Serial.QuietWait = 1;  // a loss is reported even by quiet waits
            std::thread unplug([&] {
                if (whileWaiting) SleepMs(30);
                line.device->Lose();
            });
            if (!whileWaiting) unplug.join();
            uint64_t start = TickUs();
            EXPECT_FALSE(c.call(*line.port));
            EXPECT_LT(MsSince(start), 500u);
            if (whileWaiting) unplug.join();
            EXPECT_EQ(line.state.Serial.PortOpen.load(), 0u);
            auto boxes = line.op.Boxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "Communications Port lost (fake0)\nTerminating procedure");
            EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
            EXPECT_EQ(boxes[0].flags, 48u);
            EXPECT_EQ(line.port->LastError(), "fake0 went away");

            start = TickUs();
            for (const Case& other : cases) EXPECT_FALSE(other.call(*line.port)) << other.name;
            EXPECT_LT(MsSince(start), 200u);  // no call waits (a wait would take 2000 ms)
            EXPECT_EQ(line.op.Boxes().size(), 1u);

            // Reopened, the line works again.
            ASSERT_TRUE(line.port->OpenDevice("fake0", 57600));
            line.device->Feed("D3>\r");
            EXPECT_TRUE(line.port->WaitForReply(100));
            EXPECT_TRUE(line.port->ReadReply(reply, sizeof reply));
            EXPECT_STREQ(reply, "D3>");
        }
    }
}

TEST(SerialDeviceFault, OpenFailureLeavesThePortClosedWithTheReason) {
    FakeLine line;
    line.device->FailOpen("fake1: no such device");
    EXPECT_FALSE(line.port->OpenDevice("fake1", 57600));
    EXPECT_EQ(line.state.Serial.PortOpen.load(), 0u);
    EXPECT_FALSE(line.port->IsOpen());
    EXPECT_EQ(line.port->LastError(), "fake1: no such device");
    EXPECT_FALSE(line.port->WriteFrame("D3\r"));
    EXPECT_TRUE(line.op.Boxes().empty());
    ASSERT_TRUE(line.port->OpenDevice("fake1", 19200));
    EXPECT_EQ(line.device->OpenedPath(), "fake1");
    EXPECT_EQ(line.device->Baud(), 19200u);
}

// The session over the fake device, at 1200 baud: a character's line time (8.3 ms) is far longer
// than a turn of the loops below, even in the sanitizer builds.
struct FakeSessionLine {
    FakeSessionLine() {
        auto owned = std::make_unique<FakeSerialDevice>();
        device = owned.get();
        line = std::make_unique<SerialLine>(state.Serial, op, log, state.Run.ProgramPointer,
                                            state.Config.ReplyTimeout, std::move(owned));
        session = line->Take(LineUser::CommTest);
        state.Serial.CurrentBaud = 1200;
        EXPECT_TRUE(session.OpenDevice("fake0", 1200));
    }
    Reply Exchange(const char* frame) {
        ReplyRule rule;
        rule.family = family::DBoard;
        rule.unit = 3;
        return session.Exchange(frame, rule, 300);
    }
    SystemState state;
    ScriptedOperator op;
    CommDebugLog log{CommDebugLogStateOf(state)};
    FakeSerialDevice* device = nullptr;  // owned by the port
    std::unique_ptr<SerialLine> line;
    LineSession session;
};

// An exchange asks the device no more than a plain client does (write, wait, read): no queue count
// after the write, no look for stale input right after a read found none. Each such call costs
// the boards' next frame a wake-up of a sleeping CPU.
TEST(SerialDeviceFault, ExchangesMakeOnlyTheCallsOfAPlainClient) {
    FakeSessionLine line;
    line.device->AnswerWrites("D3>\r");
    ASSERT_EQ(line.Exchange("D3A0\r").got, Reply::Got::Answered);
    const FakeSerialDevice::Calls before = line.device->CallsMade();
    for (int i = 0; i < 50; ++i) ASSERT_EQ(line.Exchange("D3m\r").got, Reply::Got::Answered);
    const FakeSerialDevice::Calls after = line.device->CallsMade();
    EXPECT_EQ(after.reads - before.reads, 50);
    EXPECT_EQ(after.waits - before.waits, 50);
    EXPECT_EQ(after.counts - before.counts, 0);
    EXPECT_EQ(after.purges - before.purges, 0);

    // Input older than a character's line time is still looked for, and thrown away.
    line.device->AnswerWrites("");
    line.device->Feed("D3>old\r");
    SleepMs(20);
    line.device->AnswerWrites("D3>new\r");
    const Reply reply = line.Exchange("D3m\r");
    EXPECT_EQ(reply.got, Reply::Got::Answered);
    EXPECT_EQ(reply.line, "D3>new");
}

// A frame held in the output (flow control) is no exchange: it fails as a write that did not
// leave, after the reply's wait and the bounded drain, and the account asks the device again.
TEST(SerialDeviceFault, AnExchangeWhoseFrameNeverLeavesFails) {
    FakeSessionLine line;
    line.device->HoldOutput(true);
    const uint64_t start = TickUs();
    const Reply reply = line.Exchange("D3A5\r");
    EXPECT_EQ(reply.got, Reply::Got::Failed);
    EXPECT_FALSE(reply.written);
    EXPECT_LT(MsSince(start), 3000u);
    EXPECT_EQ(line.device->Written(), "D3A5\r");
    line.device->HoldOutput(false);
    line.device->AnswerWrites("D3>\r");
    EXPECT_EQ(line.Exchange("D3A6\r").got, Reply::Got::Answered);
    EXPECT_EQ(line.device->Written(), "D3A5\rD3A6\r");
}

}  // namespace
}  // namespace vendra::test
