// The parameter dialogs, driven from their row table: every row opened on a fresh line and on the
// line read back from its file, filled in, stored, range-checked and refused; then the dialogs'
// own edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ProgramTestUtil.h"
#include "ScriptedEditorDialogs.h"
#include "core/app/SystemState.h"
#include "core/program/CommandDialogRows.h"
#include "core/program/CommandTable.h"
#include "core/program/DialogFieldRules.h"
#include "core/program/LineDialog.h"
#include "core/program/LineFormat.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

using Strings = std::vector<std::string>;

struct Rig {
    std::unique_ptr<SystemState> state = std::make_unique<SystemState>();
    test::ScriptedOperator op;
    test::ScriptedEditorDialogs dialogs;
    ProgramLine& line = state->Program.Lines[0];

    std::unique_ptr<LineDialog> Open(const DialogRow& row, bool fresh = true) {
        auto d = std::make_unique<LineDialog>(row, DefinitionEditorStateOf(*state), op, dialogs, 0,
                                              fresh);
        d->Activate();
        return d;
    }
    std::unique_ptr<LineDialog> Open(const char* className, bool fresh = true) {
        const DialogRow* row = DialogRowByClass(className);
        EXPECT_NE(row, nullptr) << className;
        return Open(*row, fresh);
    }
    void Type(LineDialog& d, const char* component, const std::string& text) {
        int i = d.FieldIndex(component);
        ASSERT_GE(i, 0) << component;
        d.Type(i, text);
    }
    size_t Boxes() const { return op.Boxes().size(); }
};

bool SameLine(const ProgramLine& a, const ProgramLine& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The line layout field a dialog field stands for.
bool MatchesLayout(const DialogField& f, const LineLayout& layout) {
    for (int i = 0; i < layout.Count; ++i) {
        const LineField& l = layout.Fields[i];
        switch (f.Role) {
            case EditRole::Number:
            case EditRole::Choice:
                if (l.Kind == FieldKind::Number && l.Value == f.Value) return true;
                break;
            case EditRole::Target:
                if (l.Kind == FieldKind::Target && l.Value == f.Value && l.Slot == f.Slot)
                    return true;
                break;
            case EditRole::AxisLetter:
            case EditRole::LinkLetter:
                if (l.Kind == FieldKind::Motor && l.Value == f.Value) return true;
                break;
            case EditRole::Text:
                if (l.Kind == FieldKind::Text) return true;
                break;
            case EditRole::LabelName:
                if (l.Kind == FieldKind::LabelName) return true;
                break;
            case EditRole::Comment:
                return true;  // every line has its comment
        }
    }
    return false;
}

// A valid text for field i, different from field to field.
std::string SampleText(const DialogField& f, int i) {
    switch (f.Role) {
        case EditRole::Number: {
            uint64_t v = uint64_t{f.Low} + 1 + static_cast<uint64_t>(i);
            return std::to_string(v > f.High ? f.High : v);
        }
        case EditRole::Target:
            return i % 2 == 0 ? std::to_string(7 + i) : "L" + std::to_string(i);
        case EditRole::AxisLetter:
            return "Y";
        case EditRole::LinkLetter:
            return "Z";
        case EditRole::Text:
            return "text, with; marks " + std::to_string(i);
        case EditRole::LabelName:
            return "name" + std::to_string(i);
        case EditRole::Comment:
            return "comment " + std::to_string(i);
        case EditRole::Choice:
            return std::to_string(f.High);
    }
    return "";
}

void ExpectStored(const DialogField& f, const std::string& text, const ProgramLine& line) {
    SCOPED_TRACE(f.Component);
    switch (f.Role) {
        case EditRole::Number:
            EXPECT_EQ(std::to_string(line.Values[f.Value]), text);
            break;
        case EditRole::Choice:  // the item stores its own value
            EXPECT_EQ(LoadFieldText(f, line), text);
            break;
        case EditRole::Target:
            if (text[0] == 'L') {
                EXPECT_EQ(line.Values[f.Value], 0u);
                EXPECT_STREQ(line.JumpLabels[f.Slot], text.c_str());
            } else {
                EXPECT_EQ(std::to_string(line.Values[f.Value]), text);
                EXPECT_STREQ(line.JumpLabels[f.Slot], "");
            }
            break;
        case EditRole::AxisLetter:
            EXPECT_EQ(line.Values[f.Value], MotorY);
            break;
        case EditRole::LinkLetter:
            EXPECT_EQ(line.Values[f.Value], MotorZ);
            break;
        case EditRole::Text:
        case EditRole::LabelName:
            EXPECT_STREQ(line.Text, text.c_str());
            break;
        case EditRole::Comment:
            EXPECT_STREQ(line.Comment, text.c_str());
            break;
    }
}

// Every command a row serves, as a blank line of that command (user_input of the row's type).
std::vector<ProgramLine> LinesOf(const DialogRow& row) {
    std::vector<ProgramLine> lines;
    for (uint8_t code : row.Commands) {
        ProgramLine l;
        l.Command = code;
        if (row.UserType >= 0) l.Values[0] = static_cast<uint32_t>(row.UserType);
        lines.push_back(l);
    }
    return lines;
}

TEST(DialogRows, EveryCommandWithParametersHasItsDialog) {
    for (int code = 0; code < kCommandCount; ++code) {
        ProgramLine l;
        l.Command = static_cast<uint8_t>(code);
        const bool none = code == CmdNoOp || code == CmdUserWait || code == CmdEnableCommDebug ||
                          code == CmdDisableCommDebug || code == CmdPauseQeDataLogger ||
                          code == CmdDisableQeDataLogger || code == CmdEndProgram;
        EXPECT_EQ(DialogRowForLine(l) == nullptr, none) << CommandKeyword(l.Command);
    }
    for (uint32_t type = 0; type < 7; ++type) {
        ProgramLine l;
        l.Command = CmdUserInput;
        l.Values[0] = type;
        const DialogRow* row = DialogRowForLine(l);
        if (type == 6) {
            EXPECT_EQ(row, nullptr);
        } else {
            ASSERT_NE(row, nullptr);
            EXPECT_EQ(row->ClassName, "TfnUSER_INPUT" + std::to_string(type));
        }
    }
    EXPECT_EQ(DialogRows().size(), 40u);
    EXPECT_STREQ(UserTypeRow().ClassName, "TfnSelectC");
}

TEST(DialogRows, EachRowOpensFillsStoresAndReadsBack) {
    for (const DialogRow& row : DialogRows()) {
        for (const ProgramLine& blank : LinesOf(row)) {
            SCOPED_TRACE(std::string(row.ClassName) + " on " + CommandKeyword(blank.Command));
            const LineLayout& layout = RowLayout(row, blank.Command);
            for (const DialogField& f : row.Fields)
                EXPECT_TRUE(MatchesLayout(f, layout)) << f.Component << " is no field of the line";
            if (row.Base[0] != '\0') {
                EXPECT_NE(DialogRowByClass(row.Base), nullptr);
            }

            // A fresh line in a new program: no warning, and the defaults are only shown...
            Rig r;
            r.state->Editor.NewProgram = 1;
            r.line = blank;
            const ProgramLine unopened = r.line;
            auto d = r.Open(row);
            EXPECT_EQ(r.Boxes(), 0u) << r.op.Boxes()[0].text;
            EXPECT_TRUE(SameLine(r.line, unopened)) << "opening wrote into the line";
            // ... until OK stores them.
            if (!row.Defaults.empty()) {
                Rig plain;
                plain.state->Editor.NewProgram = 1;
                plain.line = blank;
                ASSERT_EQ(plain.Open(row)->Ok(), 1);
                for (const DefaultRule& rule : row.Defaults)
                    EXPECT_EQ(plain.line.Values[rule.Value], rule.Set)
                        << "default of V" << +rule.Value;
            }

            // Filled in and stored.
            Strings typed;
            for (int i = 0; i < d->FieldCount(); ++i) {
                typed.push_back(SampleText(row.Fields[i], i));
                d->Type(i, typed.back());
            }
            EXPECT_EQ(r.Boxes(), 0u);
            ASSERT_EQ(d->Ok(), 1);
            for (int i = 0; i < d->FieldCount(); ++i) ExpectStored(row.Fields[i], typed[i], r.line);

            // Written to a file and read back, the dialog shows what was typed.
            const std::string file =
                FormatLine(r.state->Program, 0, LineForm::File) + "\r\nend_program\r\n";
            Rig back;
            ASSERT_EQ(test::LoadBytes(*back.state, file), 1) << file;
            auto reopened = back.Open(row, false);
            for (int i = 0; i < d->FieldCount(); ++i) {
                if (row.Fields[i].Role == EditRole::Comment && FixedComment(blank.Command))
                    continue;
                if (row.Fields[i].Role == EditRole::AxisLetter) typed[i] = "Y";
                EXPECT_EQ(reopened->Text(i), typed[i]) << row.Fields[i].Component;
            }
            const ProgramLine before = back.line;
            ASSERT_EQ(reopened->Ok(), 1);
            EXPECT_TRUE(SameLine(back.line, before));
            EXPECT_EQ(back.Boxes(), 0u);
        }
    }
}

TEST(DialogRows, RangeWarningsDoNotBlockAndBadNumbersAreRefused) {
    for (const DialogRow& row : DialogRows()) {
        const ProgramLine blank = LinesOf(row).front();
        for (size_t i = 0; i < row.Fields.size(); ++i) {
            const DialogField& f = row.Fields[i];
            SCOPED_TRACE(std::string(row.ClassName) + "." + f.Component);
            Rig r;
            r.line = blank;
            auto d = r.Open(row);
            const int field = static_cast<int>(i);
            std::vector<std::pair<std::string, const char*>> warned;  // text, title
            switch (f.Role) {
                case EditRole::Number:
                    if (f.High != 0xFFFFFFFFu)
                        warned.push_back({std::to_string(uint64_t{f.High} + 1), kRangeErrorTitle});
                    if (f.Low > 0) warned.push_back({std::to_string(f.Low - 1), kRangeErrorTitle});
                    warned.push_back({"-1", kRangeErrorTitle});  // taken unsigned
                    break;
                case EditRole::Target:
                    warned.push_back({"1001", kRangeErrorTitle});
                    break;
                case EditRole::AxisLetter:
                    warned.push_back({"x", kInputErrorTitle});
                    warned.push_back({"W", kInputErrorTitle});
                    break;
                case EditRole::LinkLetter:
                    warned.push_back({"A", kRangeErrorTitle});
                    break;
                default:
                    break;
            }
            for (auto& [text, title] : warned) {
                size_t boxes = r.Boxes();
                d->Type(field, text);
                ASSERT_EQ(r.Boxes(), boxes + 1) << text;
                EXPECT_EQ(r.op.Boxes().back().title, title);
            }
            if (f.Role == EditRole::Number) {
                // Warned, yet stored as typed.
                d->Type(field, warned.front().first);
                ASSERT_EQ(d->Ok(), 1);
                EXPECT_EQ(std::to_string(r.line.Values[f.Value]), warned.front().first);

                // Not a number: refused, the message names the field, the line stays as it was.
                auto again = r.Open(row, false);
                const ProgramLine before = r.line;
                size_t boxes = r.Boxes();
                again->Type(field, "12a");
                EXPECT_EQ(r.Boxes(), boxes);  // no warning while typing
                EXPECT_EQ(again->Ok(), 0);
                ASSERT_EQ(r.Boxes(), boxes + 1);
                EXPECT_EQ(r.op.Boxes().back().text,
                          std::string(f.Caption) +
                              ": \"12a\" is not a whole number that fits in "
                              "32 bits.");
                EXPECT_TRUE(SameLine(r.line, before));
                again->Type(field, "4294967296");
                EXPECT_EQ(again->Ok(), 0);
                EXPECT_TRUE(SameLine(r.line, before));
            }
        }
    }
}

TEST(DialogFields, DelayWarnsAtZeroAnd70000AndStillStores) {
    Rig r;
    r.line.Command = CmdDelay;
    auto d = r.Open("TfnDELAY");
    EXPECT_EQ(d->Text(0), "1");
    EXPECT_EQ(r.Boxes(), 0u);
    d->Type(0, "0");
    d->Type(0, "70000");
    ASSERT_EQ(r.Boxes(), 2u);
    EXPECT_EQ(r.op.Boxes()[1].text, "Input is out of range");
    EXPECT_EQ(r.op.Boxes()[1].flags, 0x30u);
    EXPECT_EQ(d->Ok(), 1);
    EXPECT_EQ(r.line.Values[0], 70000u);
}

TEST(DialogFields, AxisCheckDoneKeepsItsTargetsAfterTheAxis) {
    Rig r;
    r.line.Command = CmdAxisBoardCheckDone;
    auto d = r.Open("TfnAxisBoardCD");
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT8")), "X");  // default X
    r.Type(*d, "IDC_EDIT8", "Y");
    r.Type(*d, "IDC_EDIT10", "12");
    r.Type(*d, "IDC_EDIT11", "30");
    ASSERT_EQ(d->Ok(), 1);
    EXPECT_EQ(r.line.Values[1], 5u);
    EXPECT_EQ(r.line.Values[2], 12u);
    EXPECT_EQ(r.line.Values[3], 30u);
    EXPECT_EQ(FormatLine(r.state->Program, 0, LineForm::File),
              "AxisBoard_check_done,0,Y,12,30      ;");
}

// A "when 0" default is what the dialog shows; Cancel leaves the line as it was, OK stores it.
TEST(DialogFields, DefaultsAreShownAndOnlyOkWritesThem) {
    const struct Case {
        const char* dialog;
        std::string line;
        const char* component;
        const char* shown;
        std::string afterOk;
    } cases[] = {
        {"TfnWAxisBoardD", "wait_AxisBoard_done,2,S,\"\"      ;", "IDC_EDIT10", "X",
         "wait_AxisBoard_done,2,X,\"\"      ;"},
        {"TfnDELAY", "delay,0      ;", "IDC_EDIT9", "1", "delay,1      ;"},
        {"TfnSETDBoard", "set_DBoard_position,1,7      ;", "IDC_EDIT19", "41",
         "set_DBoard_position,1,41      ;"},
        {"TfnUSER_INPUTV", "user_value,0,5,\"v\"      ;", "IDC_EDIT5", "1",
         "user_value,1,5,\"v\"      ;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        Rig r;
        ASSERT_EQ(test::LoadBytes(*r.state, c.line + "\r\n"), 1);
        auto cancelled = r.Open(c.dialog, false);
        EXPECT_EQ(cancelled->Text(cancelled->FieldIndex(c.component)), c.shown);
        cancelled->Close();
        EXPECT_EQ(FormatLine(r.state->Program, 0, LineForm::File), c.line);
        ASSERT_EQ(r.Open(c.dialog, false)->Ok(), 1);
        EXPECT_EQ(FormatLine(r.state->Program, 0, LineForm::File), c.afterOk);
    }
}

// The runner verifies a link whose fifth value is 1, as the files write it: "Encoder Active" is
// the item that stores 1.
TEST(DialogFields, EncoderActiveStoresTheValueThatVerifies) {
    const DialogField& choice = *DialogRowByClass("TfnLINKME")->Field("EncoderChoice");
    ASSERT_EQ(choice.Items.size(), 2u);
    EXPECT_STREQ(choice.Items[0], "Encoder Active");
    EXPECT_STREQ(choice.Items[1], "Encoder Not Active");
    const struct Case {
        uint32_t stored;
        const char* shown;  // the item checked as the dialog opens ("" none)
    } cases[] = {{1, "0"}, {0, "1"}, {2, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Rig r;
        const std::string line = "link_me,1,X,0,1," + std::to_string(c.stored) + ",3,4,4";
        ASSERT_EQ(test::LoadBytes(*r.state, line + "\r\n"), 1);
        auto d = r.Open("TfnLINKME", false);
        const int field = d->FieldIndex("EncoderChoice");
        EXPECT_EQ(d->Text(field), c.shown);
        d->Type(field, "0");
        ASSERT_EQ(d->Ok(), 1);
        EXPECT_EQ(FormatLine(r.state->Program, 0, LineForm::File),
                  "link_me,1,X,0,1,1,3,4,4      ;");
        d = r.Open("TfnLINKME", false);
        d->Type(field, "1");
        ASSERT_EQ(d->Ok(), 1);
        EXPECT_EQ(r.line.Values[4], 0u);
    }
}

TEST(DialogFields, LowerCaseAxisWarnsAndStoresZero) {
    Rig r;
    r.line.Command = CmdWaitAxisBoardDone;
    auto d = r.Open("TfnWAxisBoardD");
    r.Type(*d, "IDC_EDIT10", "x");
    ASSERT_EQ(r.Boxes(), 1u);
    EXPECT_EQ(r.op.Boxes()[0].text, "Input range error (A,X,Y,Z). Please redo.");
    EXPECT_EQ(r.op.Boxes()[0].flags, 0x1010u);
    ASSERT_EQ(d->Ok(), 1);
    EXPECT_EQ(r.line.Values[1], 0u);
}

TEST(DialogFields, TargetsShowTheirOwnLabelSlot) {
    Rig r;
    ASSERT_EQ(test::LoadBytes(*r.state, "user_input,3,4,5,quit,\"Go?\"\r\n"), 1);
    auto d = r.Open("TfnUSER_INPUT3", false);
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT5")), "4");
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT6")), "5");
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT7")), "quit");
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT8")), "Go?");
    // "NextLine" and names are labels; a number is a number.
    r.Type(*d, "IDC_EDIT5", "NextLine");
    r.Type(*d, "IDC_EDIT7", "2");
    ASSERT_EQ(d->Ok(), 1);
    EXPECT_STREQ(r.line.JumpLabels[0], "NextLine");
    EXPECT_EQ(r.line.Values[1], 0u);
    EXPECT_STREQ(r.line.JumpLabels[2], "");
    EXPECT_EQ(r.line.Values[3], 2u);
    EXPECT_EQ(r.Boxes(), 0u);
}

TEST(DialogFields, StoredValueOutOfRangeWarnsAsTheDialogOpens) {
    Rig r;
    ASSERT_EQ(test::LoadBytes(*r.state, "DBoard,20,\"A1\"\r\n"), 1);
    auto d = r.Open("TfnDBoard", false);
    ASSERT_EQ(r.Boxes(), 1u);
    EXPECT_EQ(r.op.Boxes()[0].title, "Parameter Input Range ERROR");
    EXPECT_EQ(d->Text(0), "20");
}

TEST(DialogFields, NewProgramDefaultsApplyToAddedLinesOnly) {
    Rig r;
    r.state->Editor.NewProgram = 1;
    r.line.Command = CmdLoop;
    EXPECT_EQ(r.Open("TfnLOOP")->Text(0), "1");
    r.line.Values[0] = 5;  // editing a line keeps its target
    EXPECT_EQ(r.Open("TfnLOOP", false)->Text(0), "5");
    r.line.Command = CmdWaitDBoardDone;
    r.line.Values[0] = 3;
    EXPECT_EQ(r.Open("TfnWDBoardD", false)->Text(0), "3");
}

TEST(DialogFields, LabelPickerCancelLeavesEveryEditAsTyped) {
    Rig r;
    r.line.Command = CmdCompareTemp;
    auto d = r.Open("TfnCMPTEMP");
    r.Type(*d, "IDC_EDIT1", "5");
    r.Type(*d, "IDC_EDIT2", "lab");
    r.Type(*d, "IDC_EDIT3", "7");
    Strings before;
    for (int i = 0; i < d->FieldCount(); ++i) before.push_back(d->Text(i));
    r.dialogs.QueueLabel(std::nullopt);  // Cancel
    r.dialogs.QueueLabel(-1);            // OK with a text that names no item
    d->PickLabel(d->FieldIndex("IDC_EDIT2"));
    d->PickLabel(d->FieldIndex("IDC_EDIT2"));
    for (int i = 0; i < d->FieldCount(); ++i) EXPECT_EQ(d->Text(i), before[i]);
    EXPECT_EQ(r.dialogs.pickerNames.size(), 2u);
    d->PickLabel(d->FieldIndex("IDC_EDIT9"));  // no picker on a number
    EXPECT_EQ(r.dialogs.pickerNames.size(), 2u);
    r.dialogs.QueueLabel(0);
    d->PickLabel(d->FieldIndex("IDC_EDIT2"));
    EXPECT_EQ(d->Text(d->FieldIndex("IDC_EDIT2")), "NextLine");
}

TEST(DialogFields, UserValueTakesItsWholeCaptionRange) {
    Rig r;
    r.line.Command = CmdUserValue;
    auto d = r.Open("TfnUSER_INPUTV");
    EXPECT_EQ(d->Text(0), "1");  // register 1
    r.Type(*d, "IDC_EDIT6", "4000000000");
    EXPECT_EQ(r.Boxes(), 0u);
    ASSERT_EQ(d->Ok(), 1);
    EXPECT_EQ(r.line.Values[2], 4000000000u);
    EXPECT_EQ(FormatLine(r.state->Program, 0, LineForm::File),
              "user_value,1,4000000000,\"\"      ;");
}

TEST(DialogFields, TextsThatDoNotFitOrWouldNotReadBackAreRefused) {
    const std::string long149(149, 'a'), long150(150, 'a');
    struct Case {
        const char* dialog;
        uint8_t command;
        const char* component;
        std::string text;
        bool refused;
    } const cases[] = {
        {"TfnVSEND", CmdVsend, "IDC_EDIT8", long149, false},
        {"TfnVSEND", CmdVsend, "IDC_EDIT8", long150, true},
        {"TfnVSEND", CmdVsend, "IDC_EDIT8", "say \"hi\"", true},
        {"TfnVSEND", CmdVsend, "IDC_ADD_COMMENTS", long150, true},
        {"TfnVSEND", CmdVsend, "IDC_ADD_COMMENTS", "a \"quoted\" comment", false},
        {"TfnVSEND", CmdVsend, "IDC_ADD_COMMENTS", "two\nlines", true},
        {"TfnLOOP", CmdLoop, "IDC_EDIT9", "L" + long149, true},
        {"TfnLOOP", CmdLoop, "IDC_EDIT9", "", true},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", "", true},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", "1st", true},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", " gap", true},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", std::string(99, 'n'), false},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", std::string(100, 'n'), true},
        {"TfnLABEL", CmdLabel, "IDC_EDIT8", "a name, with; marks", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dialog) + " " + c.component + " = " + c.text);
        Rig r;
        r.line.Command = c.command;
        auto d = r.Open(c.dialog);
        r.Type(*d, c.component, c.text);
        const ProgramLine before = r.line;
        EXPECT_EQ(d->Ok(), c.refused ? 0 : 1);
        EXPECT_EQ(r.Boxes(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_TRUE(SameLine(r.line, before));
            EXPECT_EQ(r.op.Boxes()[0].title, "VDWin - User Input Error");
        }
    }
}

TEST(DialogFields, LabelDialogEntersTheLabelUnlessTheTableIsFull) {
    Rig r;
    LabelTable& labels = r.state->Labels;
    auto d = std::make_unique<LineDialog>(
        *DialogRowByClass("TfnLABEL"), DefinitionEditorStateOf(*r.state), r.op, r.dialogs, 4, true);
    d->Activate();
    d->Type(0, "here");
    ASSERT_EQ(d->Ok(), 1);
    ASSERT_EQ(labels.LabelCount, 2u);
    EXPECT_STREQ(labels.Entries[1].Name, "here");
    EXPECT_EQ(labels.Entries[1].Target, 5);

    labels.LabelCount = kMaxLabels;
    auto full = r.Open("TfnLABEL");
    full->Type(0, "late");
    ASSERT_EQ(full->Ok(), 1);
    EXPECT_EQ(labels.LabelCount, kMaxLabels);
    ASSERT_EQ(r.Boxes(), 1u);
    EXPECT_EQ(r.op.Boxes()[0].text,
              "The label table is full (999 labels): no line can jump to \"late\" by its name.");
}

TEST(DialogFields, SetDBoardHasItsOwnWording) {
    const DialogRow* row = DialogRowByClass("TfnSETDBoard");
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->Caption, "Set DBoard Position");
    EXPECT_STREQ(row->Field("IDC_EDIT9")->Caption, "DBoard Address (0-15)");
    EXPECT_STREQ(DialogRowByClass("TfnSETUBoard")->Field("IDC_EDIT9")->Caption,
                 "UBoard Address (0-15)");
}

}  // namespace
}  // namespace vendra
