// Program files are outside input: random bytes, binaries, token soup and damaged programs must
// load without a fault, stay inside every buffer and limit, and whatever was loaded must save and
// load back to the very same program.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "ProgramTestUtil.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

namespace vendra {
namespace {

using test::LoadBytes;

std::string Saved(UserProgram& p) {
    std::string out;
    char line[kLineBufferSize];
    for (uint32_t i = 0; i < p.LineCount; ++i) {
        FormatLine(p, i, LineForm::File, line, sizeof line);
        out += line;
        out += "\r\n";
    }
    return out;
}

void ExpectWithinLimits(const SystemState& s) {
    ASSERT_LE(s.Program.LineCount, kMaxProgramLines);
    ASSERT_GE(s.Labels.LabelCount, 1u);
    ASSERT_LE(s.Labels.LabelCount, kMaxLabels);
    for (uint32_t i = 0; i < s.Program.LineCount; ++i) {
        const ProgramLine& l = s.Program.Lines[i];
        ASSERT_LT(l.Command, kCommandCount);
        ASSERT_LT(strnlen(l.Text, kTextSize), size_t(kTextSize));
        ASSERT_LT(strnlen(l.Comment, kTextSize), size_t(kTextSize));
        for (const auto& j : l.JumpLabels) ASSERT_LT(strnlen(j, kTextSize), size_t(kLabelNameSize));
    }
}

// Loads bytes, checks the limits, then checks that a save and a load reproduce the program.
// The two states live across inputs: a load clears them anyway, and fresh ones cost page faults.
void CheckInput(const std::string& bytes) {
    static SystemState first;
    static SystemState second;
    LoadReport r;
    ASSERT_EQ(LoadBytes(first, bytes, r), 1);
    ExpectWithinLimits(first);
    std::string saved = Saved(first.Program);

    ASSERT_EQ(LoadBytes(second, saved, r), 1);
    EXPECT_EQ(r.FieldsCut, 0u);  // what was loaded fits when written back
    EXPECT_FALSE(r.LinesDropped);
    EXPECT_TRUE(r.RunOnLines.empty());  // every line the program writes ends in its comment
    ASSERT_EQ(second.Program.LineCount, first.Program.LineCount);
    for (uint32_t i = 0; i < first.Program.LineCount; ++i) {
        const ProgramLine& a = first.Program.Lines[i];
        const ProgramLine& b = second.Program.Lines[i];
        ASSERT_EQ(a.Command, b.Command) << i;
        ASSERT_EQ(0, std::memcmp(a.Values, b.Values, sizeof a.Values)) << i;
        ASSERT_STREQ(a.Text, b.Text) << i;
        ASSERT_STREQ(a.Comment, b.Comment) << i;
        for (int k = 0; k < kJumpLabelSlots; ++k) ASSERT_STREQ(a.JumpLabels[k], b.JumpLabels[k]);
    }
    ASSERT_EQ(second.Labels.LabelCount, first.Labels.LabelCount);
    for (uint32_t i = 0; i < first.Labels.LabelCount; ++i) {
        ASSERT_STREQ(second.Labels.Entries[i].Name, first.Labels.Entries[i].Name);
        ASSERT_EQ(second.Labels.Entries[i].Target, first.Labels.Entries[i].Target);
    }
    EXPECT_EQ(Saved(second.Program), saved);
}

std::string RandomBytes(std::mt19937& rng, size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// Keywords, numbers, names, every separator and the odd control byte, sometimes in long runs.
std::string TokenSoup(std::mt19937& rng, int tokens) {
    static const char* pieces[] = {",",  ",",    ";",   "\"",  "\r\n", "\n",         "\r", " ",
                                   "\t", "\x1a", "\0",  "-",   "12",   "4294967296", "X",  "x",
                                   "A",  "?",    "top", "a b", ":",    "\xe9t\xe9"};
    std::string s;
    for (int i = 0; i < tokens; ++i) {
        unsigned pick = rng() % 100;
        if (pick < 30) {
            s += CommandTable[rng() % kCommandCount];
        } else if (pick < 33) {
            s += std::string(100 + rng() % 400, static_cast<char>('a' + rng() % 26));
        } else {
            const char* p = pieces[rng() % (sizeof pieces / sizeof *pieces)];
            s += p[0] == '\0' ? std::string(1, '\0') : std::string(p);
        }
    }
    return s;
}

TEST(ProgramFuzz, RandomBytes) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 500; ++i) CheckInput(RandomBytes(rng, rng() % 3000));
}

TEST(ProgramFuzz, TokenSoup) {
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i) CheckInput(TokenSoup(rng, 5 + rng() % 400));
}

TEST(ProgramFuzz, DamagedPrograms) {
    std::mt19937 rng(99);
    std::string base = TokenSoup(rng, 0);
    for (int i = 0; i < 40; ++i) {
        base += CommandTable[i % kCommandCount];
        base += ",1,X,\"t, ;\",lbl,2,3,4,5,6      ;comment " + std::to_string(i) + "\r\n";
    }
    for (int i = 0; i < 600; ++i) {
        std::string damaged = base;
        int edits = 1 + rng() % 8;
        for (int e = 0; e < edits && !damaged.empty(); ++e) {
            size_t at = rng() % damaged.size();
            switch (rng() % 3) {
                case 0:
                    damaged[at] = static_cast<char>(rng() & 0xFF);
                    break;
                case 1:
                    damaged.erase(at, 1 + rng() % 20);
                    break;
                default:
                    damaged.insert(at, RandomBytes(rng, 1 + rng() % 5));
                    break;
            }
        }
        CheckInput(damaged);
    }
}

TEST(ProgramFuzz, HugeLinesAndBinaries) {
    CheckInput(std::string(2'000'000, 'k'));               // one field of two megabytes
    CheckInput("vsend,\"" + std::string(1'000'000, ','));  // an unterminated quote
    CheckInput(";" + std::string(1'000'000, 'c'));         // a comment without end
    CheckInput(test::ReadFile("/proc/self/exe"));          // a real binary
    std::string many;
    for (int i = 0; i < 12000; ++i) many += "label,L" + std::to_string(i) + ",loop,L7;\n";
    CheckInput(many);
}

}  // namespace
}  // namespace vendra
