// The host's frames, rate codes and status table, as the boards and the dialogs expect them.
#include <gtest/gtest.h>

#include "serial/BoardProtocol.h"

namespace vendra::protocol {
namespace {

TEST(BoardProtocol, IdentityAndInformationFrames) {
    EXPECT_EQ(IdentityFrame(UnitGroup::DBoard, 0, 0), "D0v0\r");
    EXPECT_EQ(IdentityFrame(UnitGroup::DBoard, 15, 0), "DFv0\r");
    EXPECT_EQ(IdentityFrame(UnitGroup::AxisBoard, 10, 3), "XAv3\r");
    EXPECT_EQ(IdentityFrame(UnitGroup::QBoard, 1, 0), "Q1v0\r");
    EXPECT_EQ(IdentityFrame(UnitGroup::HBoard, 16, 0), "");
    EXPECT_EQ(InformationItemText(29), "v1D\r");
    EXPECT_EQ(InformationItemText(9, 'X'), "Xv9\r");
    EXPECT_EQ(ChangeBaudFrame(4), "GGc4\r");
    EXPECT_EQ(ChangeBaudFrame(7), "");
    EXPECT_EQ(ChangeBaudFrame(-1), "");
}

TEST(BoardProtocol, FamiliesAndGroups) {
    EXPECT_EQ(std::string({FamilyLetter(0), FamilyLetter(1), FamilyLetter(2), FamilyLetter(3),
                           FamilyLetter(4), FamilyLetter(5), FamilyLetter(6), FamilyLetter(7)}),
              "DUHWXYZQ");
    EXPECT_EQ(FamilyLetter(100), '\0');
    EXPECT_EQ(FamilyLowerLetter(6), 'z');
    EXPECT_EQ(AxisFromReplyLetter('y'), 2);
    EXPECT_EQ(AxisFromReplyLetter('d'), -1);
    EXPECT_EQ(AxisReplyLetter(0), 'w');
    EXPECT_EQ(GroupLetter(UnitGroup::AxisBoard), 'X');
    EXPECT_EQ(GroupFamilyCode(UnitGroup::AxisBoard), 4);
    EXPECT_EQ(GroupFamilyCode(UnitGroup::QBoard), 7);
    EXPECT_STREQ(GroupName(UnitGroup::HBoard), "HBoard");
}

TEST(BoardProtocol, RateCodesDialogIndexesAndScanChain) {
    const uint32_t rates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800};
    for (int code = 0; code < 7; ++code) {
        EXPECT_EQ(RateCode(rates[code]), code);
        EXPECT_EQ(RateForCode(code), rates[code]);
        EXPECT_EQ(BaudDialogIndex(rates[code]), 6 - code);
        EXPECT_EQ(BaudForDialogIndex(6 - code), rates[code]);
        EXPECT_TRUE(IsSupportedBaud(rates[code]));
    }
    EXPECT_EQ(RateCode(0), -1);
    EXPECT_EQ(RateCode(4800), -1);
    EXPECT_FALSE(IsSupportedBaud(0));
    EXPECT_EQ(BaudDialogIndex(0), 7);
    EXPECT_EQ(BaudForDialogIndex(7), 0u);
    EXPECT_EQ(BaudDialogIndex(1200), -1);
    EXPECT_EQ(NextScanRate(9600), 19200u);
    EXPECT_EQ(NextScanRate(230400), 460800u);
    EXPECT_EQ(NextScanRate(460800), 0u);
    EXPECT_EQ(NextScanRate(1234), 0u);
}

TEST(BoardProtocol, StatusTableAndReplies) {
    EXPECT_EQ(LookupReplyStatus('>').text, "OK");
    EXPECT_TRUE(LookupReplyStatus('f').success);
    EXPECT_EQ(LookupReplyStatus('E').text, "Watchdog Error");
    EXPECT_FALSE(LookupReplyStatus('E').success);
    EXPECT_FALSE(LookupReplyStatus('!').success);
    EXPECT_EQ(LookupReplyStatus('Q').text, "?? 'Q'");
    EXPECT_TRUE(LookupReplyStatus('Q').success);
    for (const auto& e : ReplyStatusTable) EXPECT_EQ(LookupReplyStatus(e.status).text, e.text);
    EXPECT_TRUE(IsBusyStatus('w') && IsBusyStatus('b') && IsBusyStatus('a'));
    EXPECT_FALSE(IsBusyStatus('f') || IsBusyStatus('>'));

    ReplyLine r = ParseReply("q0>120,-40");
    EXPECT_EQ(r.letter, 'q');
    EXPECT_EQ(r.unitDigit, '0');
    EXPECT_EQ(r.status, '>');
    EXPECT_EQ(r.value, "120,-40");
    EXPECT_EQ(ParseReply("D3").status, '\0');
    EXPECT_TRUE(ReplyFromAddressOf("D3v0\r", "d3>1"));
    EXPECT_FALSE(ReplyFromAddressOf("D3v0\r", "d4>1"));
    EXPECT_FALSE(ReplyFromAddressOf("D3v0\r", "d"));
    EXPECT_FALSE(ReplyFromAddressOf("D3v0\r", ""));
}

}  // namespace
}  // namespace vendra::protocol
