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

// Which reply lines may answer which frame: the unit's digit, and a letter of the family (for the
// D, U and H boards any letter that names no other family).
TEST(BoardProtocol, RepliesArePairedWithTheirFamilyAndUnit) {
    struct Row {
        uint8_t code;
        unsigned unit;
        const char* reply;
        bool answers;
    } const rows[] = {
        {family::DBoard, 3, "D3>", true},     {family::DBoard, 3, "D4>", false},
        {family::DBoard, 3, "H3>", false},    {family::DBoard, 3, "d3>", true},
        {family::DBoard, 3, "D", false},      {family::DBoard, 3, "", false},
        {family::DBoard, 10, "DA>", true},    {family::DBoard, 10, "Da>", false},
        {family::UBoard, 2, "U2f", true},     {family::HBoard, 1, "D1>", false},
        {family::UBoard, 2, "u2f", true},     {family::HBoard, 1, "h1>", true},
        {family::DBoard, 3, "E3>", true},     {family::DBoard, 3, "?3>", true},
        {family::DBoard, 3, "h3>", false},    {family::DBoard, 3, "u3>", false},
        {family::HBoard, 1, "d1>", false},    {family::DBoard, 3, "x3>", false},
        {family::DBoard, 3, "W3>", false},    {family::DBoard, 3, "q3>", false},
        {family::UBoard, 3, "Q3>", false},    {family::DBoard, 3, "d4>", false},
        {family::QBoard, 0, "Q0>", true},     {family::QBoard, 0, "q0>1,2", true},
        {family::QBoard, 0, "q1>1,2", false}, {family::AxisX, 1, "x1>", true},
        {family::AxisX, 1, "w1>", true},      {family::AxisX, 1, "X1>", false},
        {family::AxisUnit, 5, "z5b", true},   {family::AxisUnit, 5, "q5>", false},
        {family::AxisW, 1, "x2>", false},     {family::RawRead, 3, "D3>", false},
        {family::DBoard, 16, "D0>", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ReplyMatches(r.code, r.unit, r.reply), r.answers)
            << int(r.code) << " unit " << r.unit << " reply \"" << r.reply << "\"";

    // Raw text is checked only when it names a unit, and then only for its digit.
    EXPECT_TRUE(RawReplyMatches("D3A100", "D3>"));
    EXPECT_TRUE(RawReplyMatches("D3A100", "d3c"));
    EXPECT_FALSE(RawReplyMatches("D3A100", "D4>"));
    EXPECT_FALSE(RawReplyMatches("D3A100", ""));
    EXPECT_TRUE(RawReplyMatches("X1A5,Y1A6", "y1>"));
    EXPECT_TRUE(RawReplyMatches("hello", "anything"));
    EXPECT_TRUE(RawReplyMatches("Dz", "E9>"));  // a letter without a unit digit names no unit

    // The scan's identity frames.
    EXPECT_TRUE(ReplyAnswersFrame("X1v0\r", "x1>105"));
    EXPECT_FALSE(ReplyAnswersFrame("X1v0\r", "H1>106"));
    EXPECT_FALSE(ReplyAnswersFrame("D3v0\r", "D4>205"));
    EXPECT_TRUE(ReplyAnswersFrame("?3v0\r", "D3>"));  // no family: the address digit alone
}

}  // namespace
}  // namespace vendra::protocol
