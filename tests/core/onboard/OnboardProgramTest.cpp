#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/onboard/OnboardEditing.h"
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

TEST(OnboardEditing, EachOperationLeavesTheLinesTheCurrentLineAndTheModifiedFlag) {
    // The program starts as "a", "b", "c"; `typed` is what the operator types (null: cancels).
    const struct {
        const char* name;
        std::function<OnboardEdit(OnboardProgram&, const OnboardLineEdit&)> op;
        const char* typed;
        OnboardEdit result;
        std::vector<std::string> lines;
        int32_t current;
    } cases[] = {
        {"add",
         [](auto& p, auto& e) { return AddOnboardLine(p, e); },
         "d",
         OnboardEdit::Changed,
         {"a", "b", "c", "d"},
         3},
        {"insert before b",
         [](auto& p, auto& e) { return InsertOnboardLine(p, 1, e); },
         "x",
         OnboardEdit::Changed,
         {"a", "x", "b", "c"},
         2},
        {"insert, none selected",
         [](auto& p, auto& e) { return InsertOnboardLine(p, -1, e); },
         "x",
         OnboardEdit::Changed,
         {"a", "b", "c", "x"},
         4},
        {"insert cancelled",
         [](auto& p, auto& e) { return InsertOnboardLine(p, 0, e); },
         nullptr,
         OnboardEdit::Cancelled,
         {"a", "b", "c"},
         0},
        {"edit c",
         [](auto& p, auto& e) { return EditOnboardLineAt(p, 2, e); },
         "C",
         OnboardEdit::Changed,
         {"a", "b", "C"},
         2},
        {"edit, none selected",
         [](auto& p, auto& e) { return EditOnboardLineAt(p, -1, e); },
         "z",
         OnboardEdit::NoLine,
         {"a", "b", "c"},
         -1},
        {"delete b",
         [](auto& p, auto&) { return DeleteOnboardLine(p, 1); },
         nullptr,
         OnboardEdit::Changed,
         {"a", "c"},
         0},
        {"delete, none selected",
         [](auto& p, auto&) { return DeleteOnboardLine(p, -1); },
         nullptr,
         OnboardEdit::Changed,
         {"a", "b"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OnboardProgram p;
        p.ReplaceLines({"a", "b", "c"});
        const OnboardLineEdit edit = [&](std::string& text) {
            if (c.typed == nullptr) return false;
            text = c.typed;
            return true;
        };
        EXPECT_EQ(c.op(p, edit), c.result);
        EXPECT_EQ(p.Lines(), c.lines);
        EXPECT_EQ(p.OnboardCurrentLine.load(), c.current);
        EXPECT_EQ(p.OnboardModified.load(), c.result == OnboardEdit::Changed ? 1u : 0u);
    }
    OnboardProgram full;
    full.ReplaceLines(std::vector<std::string>(kOnboardCapacity, "x"));
    EXPECT_EQ(AddOnboardLine(full, [](std::string&) { return true; }), OnboardEdit::Full);
    EXPECT_EQ(InsertOnboardLine(full, 0, [](std::string&) { return true; }), OnboardEdit::Full);
    EXPECT_EQ(full.OnboardLineCount(), kOnboardCapacity);
}

}  // namespace
}  // namespace vendra
