#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/onboard/OnboardFrames.h"
#include "core/onboard/OnboardProgram.h"

namespace vendra {
namespace {

TEST(OnboardProgram, ListTextsCountLocationsFromOne) {
    EXPECT_EQ(FormatOnboardLines({"12345", "abc", "0123456789"}),
              (std::vector<std::string>{"00001/00001 - 12345", "00002/00007 - abc",
                                        "00003/00011 - 0123456789"}));
    EXPECT_EQ(FormatOnboardLine(99998, 123456, "x"), "99999/123456 - x");
}

TEST(OnboardProgram, LineOperationsAndTheirLimits) {
    OnboardProgram p;
    EXPECT_FALSE(p.DeleteLine(0));
    EXPECT_FALSE(p.InsertBlankLine(1));
    EXPECT_TRUE(p.AppendLine("a"));
    EXPECT_TRUE(p.AppendLine("c"));
    EXPECT_TRUE(p.InsertBlankLine(1));
    EXPECT_TRUE(p.SetLine(1, "b" + std::string(300, 'b')));
    EXPECT_EQ(p.Line(1).size(), kOnboardLineChars);
    EXPECT_TRUE(p.InsertBlankLine(3));  // at the end
    EXPECT_EQ(p.OnboardLineCount(), 4u);
    EXPECT_TRUE(p.CopyLine(0, 3));
    EXPECT_TRUE(p.CopyLine(9, 2));  // past the last line: an empty line
    EXPECT_FALSE(p.CopyLine(kOnboardCapacity, 0));
    EXPECT_FALSE(p.CopyLine(0, 4));
    EXPECT_EQ(p.Line(2), "");
    EXPECT_EQ(p.Line(3), "a");
    EXPECT_TRUE(p.DeleteLine(0));
    EXPECT_FALSE(p.SetLine(3, "x"));
    EXPECT_EQ(p.OnboardLineCount(), 3u);
    EXPECT_EQ(p.Line(7), "");

    p.ReplaceLines(std::vector<std::string>(kOnboardCapacity + 5, "z"));
    EXPECT_EQ(p.OnboardLineCount(), kOnboardCapacity);
    EXPECT_TRUE(p.Full());
    EXPECT_FALSE(p.AppendLine("more"));
    EXPECT_FALSE(p.InsertBlankLine(0));
    EXPECT_EQ(p.Line(kOnboardCapacity - 1), "z");

    p.OnboardModified = 1;
    p.OnboardSaved = 1;
    p.OnboardCurrentLine = 7;
    ClearOnboardProgram(p);
    EXPECT_EQ(p.OnboardLineCount(), 0u);
    EXPECT_EQ(p.OnboardCurrentLine.load(), 0);
    EXPECT_EQ(p.OnboardModified.load(), 0u);
    EXPECT_EQ(p.OnboardSaved.load(), 0u);
}

TEST(OnboardFrames, EveryFamilysFramesAndEndMarker) {
    struct Row {
        uint8_t family;
        const char *size, *marker, *star, *erase, *run;
    };
    const Row rows[] = {
        {0, "DAvF\r", "dAc", "GG*\r", "GGZ\r", "GGK12\r"},
        {1, "UAvF\r", "uAc", "GG*\r", "GGZ\r", "GGK12\r"},
        {2, "HAvF\r", "hAc", "GG*\r", "GGZ\r", "GGK12\r"},
        {3, "WAvF\r", "wAc", "W*\r", "WZ\r", "WK12\r"},
        {4, "XAvF\r", "xAc", "X*\r", "XZ\r", "XK12\r"},
        {5, "YAvF\r", "yAc", "Y*\r", "YZ\r", "YK12\r"},
        {6, "ZAvF\r", "zAc", "Z*\r", "ZZ\r", "ZK12\r"},
        {7, "QAvF\r", "qAc", "Q*\r", "QZ\r", "QK12\r"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(OnboardCommandFrame(r.family, 10, "vF"), r.size) << int(r.family);
        EXPECT_EQ(OnboardEndMarker(r.family, 10), r.marker) << int(r.family);
        EXPECT_EQ(OnboardStarText(r.family), r.star) << int(r.family);
        EXPECT_EQ(OnboardEraseText(r.family), r.erase) << int(r.family);
        EXPECT_EQ(OnboardRunText(r.family, 12), r.run) << int(r.family);
    }
    EXPECT_EQ(OnboardCommandFrame(8, 1, "D1\r"), "");
    EXPECT_EQ(OnboardCommandFrame(0, 16, "D1\r"), "");
    EXPECT_EQ(OnboardEndMarker(100, 1), "");
    EXPECT_EQ(OnboardListText(7), "D7\r");
    EXPECT_EQ(OnboardLoadText(40000), "Q40000\r");
}

}  // namespace
}  // namespace vendra
