// The host's frames, rate codes and reply checks, as the boards and the dialogs expect them.
#include <gtest/gtest.h>

#include "core/serial/BoardProtocol.h"

namespace vendra::protocol {
namespace {

TEST(BoardProtocol, FramesAndTexts) {
    EXPECT_EQ(IdentityFrame(UnitGroup::DBoard, 15, 0), "DFv0\r");
    EXPECT_EQ(IdentityFrame(UnitGroup::AxisBoard, 10, 3), "XAv3\r");  // AxisBoard via its X axis
    EXPECT_EQ(IdentityFrame(UnitGroup::HBoard, 16, 0), "");
    EXPECT_EQ(InformationItemText(29), "v1D\r");
    EXPECT_EQ(InformationItemText(9, 'X'), "Xv9\r");
    EXPECT_EQ(ChangeBaudFrame(4), "GGc4\r");
    EXPECT_EQ(ChangeBaudFrame(7), "");
    EXPECT_EQ(LookupReplyStatus('E').text, "Watchdog Error");
    EXPECT_FALSE(LookupReplyStatus('E').success);
    EXPECT_EQ(LookupReplyStatus('Q').text, "?? 'Q'");
    EXPECT_TRUE(LookupReplyStatus('Q').success);
}

TEST(BoardProtocol, RateCodesDialogIndexesAndScanChain) {
    const uint32_t rates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800};
    for (int code = 0; code < 7; ++code) {
        EXPECT_EQ(RateCode(rates[code]), code);
        EXPECT_EQ(RateForCode(code), rates[code]);
        EXPECT_EQ(BaudDialogIndex(rates[code]), 6 - code);
        EXPECT_EQ(BaudForDialogIndex(6 - code), rates[code]);
    }
    EXPECT_EQ(RateCode(0), -1);
    EXPECT_FALSE(IsSupportedBaud(4800));
    EXPECT_EQ(BaudDialogIndex(0), 7);
    EXPECT_EQ(BaudForDialogIndex(7), 0u);
    EXPECT_EQ(BaudDialogIndex(1200), -1);
    EXPECT_EQ(NextScanRate(9600), 19200u);
    EXPECT_EQ(NextScanRate(460800), 0u);
}

TEST(BoardProtocol, RepliesOfShortOrForeignLines) {
    ReplyLine r = ParseReply("q0>120,-40");
    EXPECT_EQ(r.status, '>');
    EXPECT_EQ(r.value, "120,-40");
    EXPECT_EQ(ParseReply("D3").status, '\0');
    EXPECT_TRUE(ReplyFromAddressOf("D3v0\r", "d3>1"));
    EXPECT_FALSE(ReplyFromAddressOf("D3v0\r", "d4>1"));
    EXPECT_FALSE(ReplyFromAddressOf("D3v0\r", "d"));
}

}  // namespace
}  // namespace vendra::protocol
