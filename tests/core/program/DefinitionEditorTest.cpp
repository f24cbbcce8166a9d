#include <gtest/gtest.h>

#include <functional>

#include "ProgramTestUtil.h"
#include "ScriptedEditorDialogs.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/DefinitionEditor.h"
#include "core/program/LineFormat.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

using Strings = std::vector<std::string>;

struct Rig {
    SystemState state;
    test::ScriptedOperator op;
    test::ScriptedEditorDialogs dialogs;
    DefinitionEditor ed{DefinitionEditorStateOf(state), op, dialogs};
    test::TempDir dir;
    EditorState& flags = state.Editor;

    // Opens the editor as the main window does.
    void Open() {
        if (state.App.ProgramLoaded.load() == 0) state.App.ProgramName.Set("New Program");
        ed.Activate();
    }
    void OpenWith(const std::string& fileBytes) {
        ASSERT_EQ(test::LoadBytes(state, fileBytes), 1);
        state.App.ProgramLoaded = 1;
        state.App.ProgramName.Set("loaded");
        ed.Activate();
    }
    void AddLine(const std::string& command,
                 std::initializer_list<std::pair<const char*, std::string>> fields = {}) {
        dialogs.QueueCommand(command);
        if (fields.size() > 0) dialogs.QueueFill(fields);
        ed.Add();
    }
    Strings Titles() const {
        Strings t;
        for (auto& b : op.Boxes()) t.push_back(b.title);
        return t;
    }
    Strings Texts() const {
        Strings t;
        for (auto& b : op.Boxes()) t.push_back(b.text);
        return t;
    }
    std::string FileForm() {
        std::string all;
        for (uint32_t i = 0; i < state.Program.LineCount; ++i)
            all += FormatLine(state.Program, i, LineForm::File) + "\n";
        return all;
    }
};

const std::string kElevenLines =
    "delay,1\r\ndelay,2\r\nloop,12\r\ndelay,4\r\ndelay,5\r\ndelay,6\r\ndelay,7\r\n"
    "delay,8\r\ndelay,9\r\ndelay,10\r\nend_program\r\n";

TEST(DefinitionEditor, AddInsertDeleteAndEditMoveTheSelection) {
    Rig r;
    r.Open();
    r.AddLine("delay", {{"IDC_EDIT9", "5"}});
    EXPECT_EQ(r.ed.Items(), Strings{"0001 - delay,5      ;"});
    EXPECT_EQ(r.ed.Selection(), 0);
    EXPECT_EQ(r.flags.ProgramEdited, 1u);
    EXPECT_EQ(r.flags.SavePending, 1u);
    EXPECT_EQ(r.dialogs.preselects.back(), 0u);
    for (int k = 2; k <= 8; ++k) r.AddLine("delay", {{"IDC_EDIT9", std::to_string(k)}});
    EXPECT_EQ(r.ed.Selection(), 7);
    EXPECT_EQ(r.dialogs.preselects.back(), uint32_t{CmdDelay});  // the last choice is kept

    // Insert with line 5 selected: the new line is line 5, the old one moves to 6 and is selected.
    r.dialogs.QueueCommand("sdelay");
    r.dialogs.QueueFill({{"IDC_EDIT9", "9"}});
    r.ed.Select(4);
    r.ed.Insert();
    EXPECT_EQ(r.ed.Items()[4], "0005 - sdelay,9      ;");
    EXPECT_EQ(r.ed.Items()[5], "0006 - delay,5      ;");
    EXPECT_EQ(r.ed.Selection(), 5);
    EXPECT_EQ(r.state.Program.LineCount, 9u);

    r.ed.Select(6);  // line 7: the line above is selected afterwards
    r.ed.Delete();
    EXPECT_EQ(r.ed.Selection(), 5);
    r.ed.Select(0);  // line 1: nothing is selected afterwards
    r.ed.Delete();
    EXPECT_EQ(r.ed.Selection(), -1);
    EXPECT_EQ(r.ed.Items().front(), "0001 - delay,2      ;");

    r.ed.Select(0);
    r.dialogs.QueueFill({{"IDC_EDIT9", "44"}, {"IDC_ADD_COMMENTS", "short"}});
    r.ed.Edit();
    EXPECT_EQ(r.ed.Items().front(), "0001 - delay,44      ;short");
    EXPECT_EQ(r.dialogs.shown.back(), "TfnDELAY");
    EXPECT_EQ(r.ed.Selection(), 0);

    // Without a selected line Insert, Delete and Edit do nothing.
    const std::string before = r.FileForm();
    r.ed.Select(-1);
    r.ed.Insert();
    r.ed.Delete();
    r.ed.Edit();
    EXPECT_EQ(r.FileForm(), before);
    EXPECT_TRUE(r.dialogs.Idle());
    EXPECT_TRUE(r.dialogs.unexpected.empty());
    EXPECT_TRUE(r.op.Boxes().empty());
}

TEST(DefinitionEditor, ChoicesThatAreNotAcceptedChangeNothing) {
    Rig r;
    r.OpenWith("delay,1\r\ndelay,2\r\nend_program\r\n");
    const std::string before = r.FileForm();
    auto refusals = [&r] {
        r.dialogs.QueueCommand(std::nullopt);  // chooser cancelled
        r.dialogs.QueueCommand("delay");       // dialog cancelled
        r.dialogs.QueueCancel();
        r.dialogs.QueueCommand("enable_comm_debug");
        r.dialogs.QueueCommand("disable_comm_debug");
        r.dialogs.QueueCommand("Delay");  // not a keyword
        r.dialogs.QueueCommand("user_input");
        r.dialogs.QueueCancel();  // the type chooser
    };
    refusals();
    for (int i = 0; i < 6; ++i) {
        r.ed.Add();
        if (i == 4) {
            EXPECT_EQ(r.flags.ChosenCommand, 255);
        }
    }
    refusals();
    for (int i = 0; i < 6; ++i) {
        r.ed.Select(1);
        r.ed.Insert();
    }
    // Neither Add nor Insert left a line behind, shown or not.
    EXPECT_EQ(r.FileForm(), before);
    EXPECT_EQ(r.state.Program.LineCount, 3u);
    EXPECT_EQ(r.state.Program.Lines[3].Command, CmdNoOp);
    EXPECT_EQ(r.flags.ProgramEdited, 0u);
    EXPECT_EQ(r.flags.SavePending, 0u);
    EXPECT_EQ(r.dialogs.shown, (Strings{"TfnDELAY", "TfnSelectC", "TfnDELAY", "TfnSelectC"}));
    EXPECT_TRUE(r.dialogs.Idle());
}

TEST(DefinitionEditor, FullProgramRefusesAddAndInsertWithAMessage) {
    Rig r;
    std::string bytes;
    for (uint32_t i = 0; i + 1 < kMaxProgramLines; ++i) bytes += "no_op\r\n";
    r.OpenWith(bytes + "end_program\r\n");
    ASSERT_EQ(r.ed.Items().size(), kMaxProgramLines);
    r.ed.Add();
    r.ed.Select(5);
    r.ed.Insert();
    EXPECT_EQ(r.Texts(),
              Strings(2,
                      "The program already has 10000 lines, the most it can hold: no line can "
                      "be added."));
    EXPECT_EQ(r.state.Program.LineCount, kMaxProgramLines);
    EXPECT_TRUE(r.dialogs.preselects.empty());  // no chooser was shown
}

TEST(DefinitionEditor, AddressCheckSelectsTheFaultyLineBeforeAsking) {
    Rig r;
    r.OpenWith(kElevenLines);
    r.flags.ProgramEdited = 1;
    r.flags.SavePending = 1;
    r.op.QueueButton(mb::IdNo);
    r.ed.Save();
    ASSERT_EQ(r.op.Boxes().size(), 1u);
    EXPECT_EQ(r.op.Boxes()[0].text, "Program has a address bug! Continue Saving?");
    EXPECT_EQ(r.op.Boxes()[0].title, "VDWin - User Edit Error");
    EXPECT_EQ(r.op.Boxes()[0].flags, 0x1014u);
    EXPECT_EQ(r.ed.Selection(), 2);
    EXPECT_EQ(r.flags.SavePending, 1u);  // "No" ends the save at once
    EXPECT_TRUE(r.dialogs.suggestedNames.empty());

    // Address 11 passes, and so does a label name.
    r.state.Program.Lines[2].Values[0] = 11;
    r.dialogs.QueueSaveName(std::nullopt);
    r.ed.Save();
    r.state.Program.Lines[2].Values[0] = 0;
    CopyField(r.state.Program.Lines[2].JumpLabels[0], "nowhere");
    r.dialogs.QueueSaveName(std::nullopt);
    r.ed.Save();
    EXPECT_EQ(r.op.Boxes().size(), 1u);
    EXPECT_EQ(r.dialogs.suggestedNames, Strings(2, "loaded.def"));

    // Without end_program: its own message first, then the question with the last line selected.
    r.op.ClearRecords();
    r.state.Program.Lines[10].Command = CmdDelay;
    r.op.QueueButton(mb::IdOk);
    r.op.QueueButton(mb::IdNo);
    r.ed.Save();
    EXPECT_EQ(r.Texts(), (Strings{"No end_program FOUND!!! Please insert before saving.",
                                  "Program has a address bug! Continue Saving?"}));
    EXPECT_EQ(r.Titles(), (Strings{"VDWin - User Program Error", "VDWin - User Edit Error"}));
    EXPECT_EQ(r.op.Boxes()[0].flags, 0x1010u);
    EXPECT_EQ(r.ed.Selection(), 10);
    EXPECT_EQ(r.op.Beeps(), (std::vector<unsigned>{beep::Stop, beep::Stop}));
}

TEST(DefinitionEditor, SaveWritesOnceAndNewFileStillAsksAfterIt) {
    Rig r;
    r.Open();
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: New Program");
    r.AddLine("delay", {{"IDC_EDIT9", "5"}, {"IDC_ADD_COMMENTS", "wait"}});
    r.AddLine("end_program");
    r.dialogs.QueueSaveName(r.dir.File("first"));
    r.ed.Save();
    EXPECT_EQ(r.dialogs.suggestedNames, Strings{"New Program.def"});
    EXPECT_EQ(test::ReadFile(r.dir.File("first.def")),
              "delay,5      ;wait\r\nend_program      ;End of Program\r\n");
    EXPECT_EQ(r.state.App.ProgramPath.Get(), r.dir.File("first.def"));
    EXPECT_EQ(r.state.App.ProgramName.Get(), "first");
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: first");
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 1u);
    EXPECT_EQ(r.flags.SavePending, 0u);
    EXPECT_EQ(r.flags.ProgramEdited, 1u);
    EXPECT_EQ(r.flags.NewProgram, 0u);

    // No new edits: the address check runs again, but the save dialog is not offered.
    r.ed.Save();
    EXPECT_EQ(r.dialogs.suggestedNames.size(), 1u);

    // New File asks, because the program was edited since the last New File; "No" keeps it.
    r.op.QueueButton(mb::IdNo);
    r.ed.NewFile();
    EXPECT_EQ(r.Texts(), Strings{"Program NOT Saved! Continue?"});
    EXPECT_EQ(r.Titles(), Strings{"VDWin - User Load New Error"});
    EXPECT_EQ(r.state.Program.LineCount, 2u);
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 1u);
    r.op.QueueButton(mb::IdYes);
    r.ed.NewFile();
    EXPECT_EQ(r.state.Program.LineCount, 0u);
    EXPECT_TRUE(r.ed.Items().empty());
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: New Program");
    EXPECT_EQ(r.state.App.ProgramName.Get(), "New Program");
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 0u);
    EXPECT_EQ(r.flags.NewProgram, 1u);
    EXPECT_EQ(r.flags.ProgramEdited, 0u);
    EXPECT_EQ(r.flags.SavePending, 1u);
    r.ed.NewFile();  // nothing edited since: no question
    EXPECT_EQ(r.op.Boxes().size(), 2u);
}

TEST(DefinitionEditor, CancelledOrFailedSaveKeepsTheChangesPending) {
    Rig r;
    r.Open();
    r.AddLine("end_program");
    r.dialogs.QueueSaveName(std::nullopt);
    r.ed.Save();
    EXPECT_EQ(r.flags.SavePending, 1u);
    r.dialogs.QueueSaveName(r.dir.File("no-such-folder/x.def"));
    r.ed.Save();
    EXPECT_EQ(r.dialogs.suggestedNames.size(), 2u);  // offered again
    ASSERT_EQ(r.op.Boxes().size(), 1u);
    EXPECT_EQ(r.op.Boxes()[0].text.substr(0, 17), "Can't Save File\n\n");
    EXPECT_EQ(r.op.Boxes()[0].title, "File Error");
    EXPECT_EQ(r.op.Boxes()[0].flags, 0x1u);
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 0u);
    EXPECT_EQ(r.flags.SavePending, 1u);
    EXPECT_EQ(r.state.App.ProgramName.Get(), "New Program");
}

// OK closes the editor only when nothing is left unsaved: a program that was never saved would
// otherwise be cleared by the next opening.
TEST(DefinitionEditor, OkClosesOnlyWhenItsSaveCompleted) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> arrange;
        bool closes;
        uint32_t lines;
        Strings texts;
    };
    auto twoLines = [](Rig& r) {
        r.Open();
        r.AddLine("delay", {{"IDC_EDIT9", "5"}});
        r.AddLine("end_program");
    };
    const std::string cantSave = "Can't Save File";
    const Case cases[] = {
        {"address question answered No",
         [](Rig& r) {
             r.Open();
             r.AddLine("loop", {{"IDC_EDIT9", "9"}});
             r.AddLine("end_program");
             r.op.QueueButton(mb::IdNo);
         },
         false, 2, Strings{"Program has a address bug! Continue Saving?"}},
        {"write failed",
         [&](Rig& r) {
             twoLines(r);
             r.dialogs.QueueSaveName(r.dir.File("no-such-folder/x.def"));
         },
         false, 2, Strings{cantSave}},
        {"save dialog cancelled",
         [&](Rig& r) {
             twoLines(r);
             r.dialogs.QueueSaveName(std::nullopt);
         },
         false, 2, Strings{}},
        {"saved",
         [&](Rig& r) {
             twoLines(r);
             r.dialogs.QueueSaveName(r.dir.File("saved.def"));
         },
         true, 2, Strings{}},
        {"empty program", [](Rig& r) { r.Open(); }, true, 0, Strings{"Program not saved!!!!"}},
        {"unchanged program", [](Rig& r) { r.OpenWith("delay,3\r\nend_program\r\n"); }, true, 2,
         Strings{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        c.arrange(r);
        EXPECT_EQ(r.ed.Ok(), c.closes);
        Strings texts;
        for (const std::string& t : r.Texts()) texts.push_back(t.substr(0, t.find('\n')));
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(r.flags.EditorActive, c.closes ? 0u : 1u);
        EXPECT_EQ(r.state.Program.LineCount, c.lines);
        if (c.closes) continue;
        // Still open: the changes stay pending, and a later activation keeps the program.
        EXPECT_EQ(r.flags.SavePending, 1u);
        EXPECT_EQ(r.state.App.ProgramLoaded.load(), 0u);
        r.ed.Activate();
        EXPECT_EQ(r.ed.Items().size(), 2u);
        EXPECT_TRUE(r.dialogs.Idle());
    }
}

TEST(DefinitionEditor, UnchangedAndEmptyProgramsAreNotWritten) {
    Rig r;
    r.OpenWith("delay,3\r\nend_program\r\n");
    r.state.App.ProgramLoaded = 0;
    r.ed.Save();
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 1u);  // runnable as it is
    EXPECT_TRUE(r.dialogs.suggestedNames.empty());
    EXPECT_TRUE(r.op.Boxes().empty());

    Rig empty;
    empty.Open();
    empty.ed.Save();
    ASSERT_EQ(empty.op.Boxes().size(), 1u);
    EXPECT_EQ(empty.op.Boxes()[0].text, "Program not saved!!!!");
    EXPECT_EQ(empty.op.Boxes()[0].title, "VDWin - User Save Error");
    EXPECT_EQ(empty.op.Boxes()[0].flags, 0x1010u);
    EXPECT_EQ(empty.state.App.ProgramLoaded.load(), 0u);
}

TEST(DefinitionEditor, LoadFileAsksFirstAndShowsWhatWasLoaded) {
    Rig r;
    r.Open();
    r.AddLine("delay", {{"IDC_EDIT9", "7"}});
    test::WriteFile(r.dir.File("prog.def"), "sdelay,2\r\nend_program\r\n");
    std::string path = r.dir.File("prog.def");
    int loads = 0;
    r.dialogs.Load = [&] {
        ++loads;
        return LoadProgramFromPath(r.state, r.op, path);
    };
    r.op.QueueButton(mb::IdNo);
    r.ed.LoadFile();
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(r.Titles(), Strings{"VDWin - User Load Error"});
    EXPECT_EQ(r.state.Program.LineCount, 1u);

    r.op.QueueButton(mb::IdYes);
    r.ed.LoadFile();
    EXPECT_EQ(r.ed.Items(),
              (Strings{"0001 - sdelay,2      ;", "0002 - end_program      ;End of Program"}));
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: prog");
    EXPECT_EQ(r.ed.Selection(), 0);
    EXPECT_EQ(r.flags.SavePending, 0u);
    EXPECT_EQ(r.flags.NewProgram, 0u);
    EXPECT_EQ(r.flags.ProgramEdited, 1u);  // kept: the next Load asks again

    // A load that fails leaves the program, the list and the flags as they were.
    r.AddLine("delay", {{"IDC_EDIT9", "8"}});
    const Strings items = r.ed.Items();
    path = r.dir.File("missing.def");
    r.op.QueueButton(mb::IdYes);
    r.ed.LoadFile();
    EXPECT_EQ(r.Texts().back(), "Error in Data File");
    EXPECT_EQ(r.state.Program.LineCount, 3u);
    EXPECT_EQ(r.ed.Items(), items);
    EXPECT_EQ(r.ed.Selection(), 2);
    EXPECT_EQ(r.flags.SavePending, 1u);
    EXPECT_EQ(r.state.App.ProgramLoaded.load(), 1u);
    EXPECT_EQ(r.state.App.ProgramName.Get(), "prog");
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: prog");
}

TEST(DefinitionEditor, OpeningWithoutALoadedProgramStartsEmpty) {
    Rig r;
    r.Open();
    r.AddLine("delay", {{"IDC_EDIT9", "7"}});
    r.ed.Cancel();  // closes; the program stays in memory as edited
    EXPECT_EQ(r.state.Program.LineCount, 1u);
    EXPECT_EQ(r.flags.EditorActive, 0u);
    EXPECT_EQ(r.flags.SavePending, 0u);

    r.Open();  // never saved or loaded: it does not survive
    EXPECT_EQ(r.state.Program.LineCount, 0u);
    EXPECT_TRUE(r.ed.Items().empty());
    EXPECT_EQ(r.ed.Caption(), "VDWin Definition Editor - File: New Program");
    r.AddLine("delay", {{"IDC_EDIT9", "8"}});
    r.ed.Activate();  // a later activation of the same opening changes nothing
    EXPECT_EQ(r.state.Program.LineCount, 1u);
}

TEST(DefinitionEditor, LabelPickerListsLabelsInLineOrderAndRemembersThePick) {
    Rig r;
    r.Open();
    r.AddLine("label", {{"IDC_EDIT8", "top"}});
    r.AddLine("delay", {{"IDC_EDIT9", "1"}});
    r.ed.Select(1);
    r.dialogs.QueueCommand("label");
    r.dialogs.QueueFill({{"IDC_EDIT8", "mid"}});
    r.ed.Insert();
    // Renaming a label leaves no entry under its old name.
    r.ed.Select(0);
    r.dialogs.QueueFill({{"IDC_EDIT8", "first"}});
    r.ed.Edit();

    r.dialogs.QueueCommand("cloop");
    r.dialogs.QueueDialog([](LineDialog& d) {
        d.Type(d.FieldIndex("IDC_EDIT9"), "3");
        d.PickLabel(d.FieldIndex("IDC_EDIT19"));
        return 1;
    });
    r.dialogs.QueueLabel(2);
    r.ed.Add();
    ASSERT_EQ(r.dialogs.pickerNames.size(), 1u);
    EXPECT_EQ(r.dialogs.pickerNames[0], (Strings{"NextLine", "first", "mid"}));
    EXPECT_EQ(r.ed.Items().back(), "0004 - cloop,3,mid      ;");
    EXPECT_EQ(r.flags.LabelPick, 2u);

    // The next picker opens on the last pick; Save forgets it.
    r.dialogs.QueueCommand("loop");
    r.dialogs.QueueDialog([](LineDialog& d) {
        d.PickLabel(0);
        return 2;
    });
    r.dialogs.QueueLabel(std::nullopt);
    r.ed.Add();
    EXPECT_EQ(r.dialogs.pickerPreselects.back(), 2u);
    r.op.QueueButton(mb::IdOk);   // no end_program
    r.op.QueueButton(mb::IdYes);  // save anyway
    r.dialogs.QueueSaveName(std::nullopt);
    r.ed.Save();
    EXPECT_EQ(r.flags.LabelPickInit, 0u);
    EXPECT_TRUE(r.dialogs.unexpected.empty());
}

TEST(ListingPages, EightyOneLinesAPage) {
    EXPECT_EQ(ListingPageSizes(200), (std::vector<uint32_t>{81, 81, 38}));
    EXPECT_EQ(ListingPageSizes(81), (std::vector<uint32_t>{81}));
    EXPECT_TRUE(ListingPageSizes(0).empty());
}

}  // namespace
}  // namespace vendra
