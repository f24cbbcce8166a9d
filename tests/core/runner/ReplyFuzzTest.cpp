// Board replies and command texts are outside input: random replies over the real line, and random
// texts through the frame helpers and trackers, must end in a known result with every buffer and
// flag intact.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "BoardStepRig.h"
#include "core/base/Clock.h"
#include "core/runner/PositionTracking.h"
#include "core/runner/TempReferences.h"
#include "core/serial/FrameText.h"

namespace vendra::test {
namespace {

std::string RandomBytes(std::mt19937& rng, size_t maxLen, bool allowCr) {
    std::uniform_int_distribution<int> len(0, static_cast<int>(maxLen));
    std::uniform_int_distribution<int> byte(1, 255);
    const char alphabet[] = "dDuUhHwxyzqQ0123456789>!#abfswuenlEt,-+ \x7f";
    std::string s;
    for (int n = len(rng); n > 0; --n) {
        char c = rng() % 2 ? alphabet[rng() % (sizeof alphabet - 1)] : static_cast<char>(byte(rng));
        if (c == '\r' && !allowCr) c = 'x';
        s += c;
    }
    return s;
}

class ReplyFuzzTest : public TransactionRig {
  protected:
    void SetUp() override { Start("D3,U3,H3,X3,Q3"); }
};

TEST_F(ReplyFuzzTest, RandomRepliesEndInAKnownResult) {
    std::mt19937 rng(20240601);
    const uint8_t families[] = {0, 1, 2, 3, 4, 5, 6, 7, 99, 100};
    const char* texts[] = {"A100", "m", "P", "p0", "p1", "RN-5", "", "v0"};
    const std::set<std::string> titles = {"Vendra DBoard Error",     "Vendra UBoard Error",
                                          "Vendra HBoard Error",     "Vendra AxisBoard Error",
                                          "Vendra QBoard Error",     "Vendra Board Error",
                                          "Communications RXD Error"};
    state.Config.ReplyTimeout = 100;
    for (int i = 0; i < 200; ++i) {
        sim::Fault fault;
        fault.kind = sim::FaultKind::Garbage;
        fault.count = 1;
        fault.text = RandomBytes(rng, 40, true);
        simulator->AddFault(fault);
        uint8_t f = families[rng() % std::size(families)];
        std::string text = texts[rng() % std::size(texts)];
        if (f == 99) text = "D3" + text;
        if (f >= 3 && f <= 6) text = std::string(1, "WXYZ"[f - 3]) + text;
        op.ClearRecords();
        uint64_t t0 = TickUs();
        int r = Tx(3, f, text);
        ASSERT_TRUE(r == 0 || r == 1);
        ASSERT_LT(TickUs() - t0, 3000000u) << "family " << int(f) << " reply " << fault.text;
        ASSERT_EQ(state.Boards.TransactionActive.load(), 0u);
        ASSERT_EQ(state.Serial.QuietWait.load(), 0u);
        ASSERT_LT(link.LastReply(f).size(), (kReplyLineChars + 1));
        ASSERT_LT(state.Boards.LastResponseText.Get().size(), (kReplyLineChars + 1));
        for (const MessageBoxCall& box : op.Boxes()) {
            ASSERT_TRUE(titles.count(box.title)) << box.title;
            ASSERT_EQ(box.flags, 0x1010u);
        }
    }
    EXPECT_EQ(state.Serial.PortOpen.load(), 1u);
}

TEST(FrameTextFuzzTest, RandomTextsStayBoundedAndKeepUnreferencedText) {
    std::mt19937 rng(7);
    SystemState state;
    for (int i = 0; i < 74; ++i) state.Run.TempRegisters[i] = rng();
    MotorRecord rec, axes[4];
    for (int i = 0; i < 20000; ++i) {
        std::string text = RandomBytes(rng, 200, true);
        if (rng() % 3 == 0)
            text.insert(rng() % (text.size() + 1), "#TEMP" + std::to_string(rng() % 90) + "#");
        std::string expanded = text;
        bool changed = ExpandTempReferences(expanded, state.Run.TempRegisters);
        if (!changed) {
            ASSERT_EQ(expanded, text);
        }
        if (text.find("#TEMP") == std::string::npos) {
            ASSERT_FALSE(changed);
        }
        ASSERT_LE(expanded.size(), text.size() * 2 + 16);
        std::string axis = InsertAxisAddress('7', text);
        ASSERT_LE(axis.size(), text.size() * 2);
        TrackPositionD(rec, text, state.Run.Stats);
        TrackPositionU(rec, text, state.Run.Stats);
        TrackPositionAxis(axes, text, state.Run.Stats);
    }
}

}  // namespace
}  // namespace vendra::test
