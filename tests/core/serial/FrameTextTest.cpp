#include <gtest/gtest.h>

#include "core/serial/BoardProtocol.h"
#include "core/serial/FrameText.h"

namespace vendra {
namespace {

TEST(FrameTextTest, EnsureCarriageReturnAddsOnlyWhenNoneAnywhere) {
    std::string a = "D3A100", b = "D3\rA100", c;
    EnsureCarriageReturn(a);
    EnsureCarriageReturn(b);
    EnsureCarriageReturn(c);
    EXPECT_EQ(a, "D3A100\r");
    EXPECT_EQ(b, "D3\rA100");
    EXPECT_EQ(c, "\r");
}

TEST(FrameTextTest, InsertAxisAddressAfterLeadingAndCommaAxisLetters) {
    EXPECT_EQ(InsertAxisAddress('5', "XA100,YA200"), "X5A100,Y5A200");
    EXPECT_EQ(InsertAxisAddress('F', "W\r"), "WF\r");
    EXPECT_EQ(InsertAxisAddress('0', "ZRY+5,XA1,WM2"), "Z0RY+5,X0A1,W0M2");
    EXPECT_EQ(InsertAxisAddress('1', "A100X"), "A100X");
    EXPECT_EQ(InsertAxisAddress('2', "GG!\r"), "GG!\r");
}

TEST(FrameTextTest, ReplyNumberFollowsAtol) {
    EXPECT_EQ(ReplyNumber("12345"), 12345);
    EXPECT_EQ(ReplyNumber("-40"), -40);
    EXPECT_EQ(ReplyNumber("  +7x"), 7);
    EXPECT_EQ(ReplyNumber("abc"), 0);
    EXPECT_EQ(ReplyNumber(""), 0);
    EXPECT_EQ(ReplyNumber("4294967295"), -1);  // wraps to 32 bits
    EXPECT_EQ(ReplyNumber("99999999999999999999999"), ReplyNumber("99999999999999999999999"));
}

TEST(ReplyStatusTest, WholeTable) {
    struct Case {
        char c;
        const char* text;
        bool ok;
    } cases[] = {{'>', "OK", true},
                 {'a', "Aborting last command", true},
                 {'b', "Motor Busy", true},
                 {'f', "Motor finished movement command", true},
                 {'s', "Motor Homed, but not moved", true},
                 {'u', "Updating Motor Move Parameters", true},
                 {'w', "Waiting for last command to complete", true},
                 {'!', "Parameter Error", false},
                 {'#', "Syntax Error", false},
                 {'e', "Encoder ERROR", false},
                 {'h', "Motor NOT Homed", false},
                 {'l', "RTOS Software limit reached", false},
                 {'n', "IEEPROM not erased", false},
                 {'E', "Watchdog Error", false},
                 {'t', "TMC246 Error", false},
                 {'Q', "?? 'Q'", true},
                 {'~', "?? '~'", true}};
    for (const Case& c : cases) {
        const protocol::ReplyStatus status = protocol::LookupReplyStatus(c.c);
        EXPECT_EQ(status.success, c.ok) << c.c;
        EXPECT_EQ(status.text, c.text);
    }
}

}  // namespace
}  // namespace vendra
