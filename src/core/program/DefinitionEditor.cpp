#include "core/program/DefinitionEditor.h"

#include <filesystem>

#include "core/base/Operator.h"
#include "core/program/AddressCheck.h"
#include "core/program/CommandDialogRows.h"
#include "core/program/CommandTable.h"
#include "core/program/EditorDialogs.h"
#include "core/program/LineDialog.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramEdit.h"
#include "core/program/ProgramFile.h"

namespace vendra {

std::vector<uint32_t> ListingPageSizes(uint32_t lines) {
    std::vector<uint32_t> pages;
    for (uint32_t left = lines; left > 0;) {
        uint32_t page = left < kPrintLinesPerPage ? left : kPrintLinesPerPage;
        pages.push_back(page);
        left -= page;
    }
    return pages;
}

DefinitionEditor::DefinitionEditor(DefinitionEditorState state, Operator& op,
                                   EditorDialogs& dialogs)
    : state_(state), ed_(state.Editor), op_(op), dialogs_(dialogs) {
    SetCaption(state_.App.ProgramName.Get());
}

bool DefinitionEditor::IsLabelLine(uint32_t index) const {
    return index < items_.size() && ed_.LineIsLabel[index] != 0;
}

void DefinitionEditor::Select(int32_t index) {
    selection_ = index >= 0 && static_cast<size_t>(index) < items_.size() ? index : -1;
}

bool DefinitionEditor::HasSelection() const {
    return selection_ >= 0 && static_cast<uint32_t>(selection_) < state_.Program.LineCount;
}

void DefinitionEditor::SetCaption(const std::string& name) {
    caption_ = kEditorCaption + name;
}

void DefinitionEditor::Changed() {
    dialogs_.ListChanged();
}

void DefinitionEditor::RefreshList() {
    UserProgram& program = state_.Program;
    const uint32_t count =
        program.LineCount < kMaxProgramLines ? program.LineCount : kMaxProgramLines;
    items_.resize(count);
    char buffer[kLineBufferSize];
    for (uint32_t i = 0; i < count; ++i) {
        ed_.LineIsLabel[i] =
            static_cast<uint8_t>(FormatLine(program, i, LineForm::Display, buffer, sizeof buffer));
        items_[i].assign(buffer);
    }
    ++generation_;
    Select(ed_.CurrentLine);
    Changed();
}

void DefinitionEditor::Activate() {
    if (ed_.EditorActive != 0) return;
    ed_.EditorActive = 1;
    items_.clear();
    selection_ = -1;
    if (state_.App.ProgramLoaded.load() == 1) {
        ed_.CurrentLine = 0;
        RefreshList();
        ed_.NewProgram = 0;
    } else {
        // A program that was never saved or loaded does not survive closing the editor.
        ClearProgram(state_.Program, state_.Labels);
        ed_.CurrentLine = -1;
        ++generation_;
    }
    ed_.SavePending = 0;
    ed_.LabelPickInit = 0;
    ed_.LabelPick = 0;
    SetCaption(state_.App.ProgramName.Get());
    Changed();
}

bool DefinitionEditor::ChooseCommand() {
    std::string text;
    if (!dialogs_.ChooseCommand(ed_.LastChosenCommand, text)) return false;
    uint8_t code = 0;
    if (FindCommand(text.c_str(), code)) {
        ed_.ChosenCommand = code;
        ed_.LastChosenCommand = code;
    } else {
        ed_.ChosenCommand = 255;  // EditCommandLine does not accept it
    }
    return true;
}

bool DefinitionEditor::RefuseFullProgram() {
    if (state_.Program.LineCount < kMaxProgramLines) return false;
    op_.ShowMessageBox("The program already has " + std::to_string(kMaxProgramLines) +
                           " lines, the most it can hold: no line can be added.",
                       kEditErrorTitle, mb::Warning);
    return true;
}

void DefinitionEditor::Add() {
    if (RefuseFullProgram()) return;
    UserProgram& program = state_.Program;
    const uint32_t end = program.LineCount;
    ed_.CurrentLine = static_cast<int32_t>(end);
    selection_ = -1;
    Changed();
    // The new line starts blank, whatever an earlier cancelled dialog left in the slot.
    ClearLine(program.Lines[end]);
    if (!ChooseCommand() || EditCommandLine(EditMode::Add) != 1) {
        ClearLine(program.Lines[end]);
        return;
    }
    ed_.CurrentLine = static_cast<int32_t>(end);
    program.LineCount = end + 1;
    ed_.ProgramEdited = 1;
    RebuildLabelTable(program, state_.Labels);
    RefreshList();
    ed_.SavePending = 1;
}

void DefinitionEditor::Insert() {
    if (!HasSelection()) return;
    if (RefuseFullProgram()) return;
    UserProgram& program = state_.Program;
    ed_.CurrentLine = selection_;
    const uint32_t at = static_cast<uint32_t>(ed_.CurrentLine);
    if (!InsertBlankLine(program, state_.Labels, at)) return;
    if (!ChooseCommand() || EditCommandLine(EditMode::Add) != 1) {
        // Nothing was inserted after all: the blank line goes again.
        DeleteLine(program, state_.Labels, at);
        return;
    }
    ed_.CurrentLine += 1;
    RebuildLabelTable(program, state_.Labels);
    RefreshList();
    ed_.ProgramEdited = 1;
    ed_.SavePending = 1;
}

void DefinitionEditor::Delete() {
    if (!HasSelection()) return;
    ed_.CurrentLine = selection_;
    if (!DeleteLine(state_.Program, state_.Labels, static_cast<uint32_t>(ed_.CurrentLine))) return;
    ed_.CurrentLine -= 1;  // the line above; none when the first line went
    RefreshList();
    ed_.ProgramEdited = 1;
    ed_.SavePending = 1;
}

void DefinitionEditor::Edit() {
    if (!HasSelection()) return;
    ed_.CurrentLine = selection_;
    ed_.ChosenCommand = state_.Program.Lines[ed_.CurrentLine].Command;
    if (EditCommandLine(EditMode::Edit) != 1) return;
    ed_.SavePending = 1;
    RebuildLabelTable(state_.Program, state_.Labels);
    RefreshList();
    ed_.ProgramEdited = 1;
}

int DefinitionEditor::EditCommandLine(EditMode mode) {
    if (ed_.CurrentLine < 0 || static_cast<uint32_t>(ed_.CurrentLine) >= kMaxProgramLines) return 2;
    const uint32_t index = static_cast<uint32_t>(ed_.CurrentLine);
    ProgramLine& line = state_.Program.Lines[index];
    const bool adding = mode == EditMode::Add;
    if (adding) line.Command = ed_.ChosenCommand;

    switch (line.Command) {
        case CmdNoOp:
        case CmdUserWait:
        case CmdPauseQeDataLogger:
        case CmdDisableQeDataLogger:
        case CmdEndProgram:
            return 1;
        case CmdEnableCommDebug:
        case CmdDisableCommDebug:
            return 2;  // listed by the chooser, but never a line
        case CmdUserInput:
            if (adding) {
                LineDialog type(UserTypeRow(), state_, op_, dialogs_, index, true);
                type.Activate();
                dialogs_.ShowLineDialog(type);
                type.Close();
                if (!type.Stored()) return 2;
            }
            break;
        default:
            if (line.Command >= kCommandCount) return 2;
            break;
    }
    const DialogRow* row = DialogRowForLine(line);
    if (row == nullptr) return 1;  // a user_input type without a dialog
    LineDialog dialog(*row, state_, op_, dialogs_, index, adding);
    dialog.Activate();
    dialogs_.ShowLineDialog(dialog);
    dialog.Close();
    return dialog.Stored() ? 1 : 2;
}

DefinitionEditor::SaveOutcome DefinitionEditor::SaveSteps() {
    UserProgram& program = state_.Program;
    if (program.LineCount > 0 && ed_.ProgramEdited == 1) {
        if (!AddressCheck(program, op_, ed_.FaultyLine)) {
            ed_.CurrentLine = ed_.FaultyLine;
            Select(ed_.CurrentLine);
            Changed();
            op_.Beep(beep::Stop);
            if (op_.ShowMessageBox(kAddressBugText, kEditErrorTitle, mb::StopModalYesNo) !=
                mb::IdYes)
                return SaveOutcome::Stopped;
        }
        const std::string suggested = state_.App.ProgramName.Get() + ".def";
        std::string chosen;
        if (ed_.SavePending == 1 && dialogs_.AskSaveFileName(suggested, chosen)) {
            const std::string path = DefinitionFileName(chosen);
            std::string error;
            if (!SaveProgramTo(program, path, &error)) {
                op_.ShowMessageBox(std::string(kCantSaveText) + "\n\n" + error, kCantSaveTitle,
                                   mb::OkCancel);
                return SaveOutcome::Stopped;  // nothing is marked saved
            }
            state_.App.ProgramPath.Set(path);
            ed_.CurrentLine = 0;
            RefreshList();
            ed_.NewProgram = 0;
            state_.App.ProgramLoaded = 1;
            const std::string name = std::filesystem::path(path).stem().string();
            state_.App.ProgramName.Set(name);
            SetCaption(name);
            Changed();
        } else if (ed_.SavePending == 1) {
            return SaveOutcome::Pending;
        }
    } else if (program.LineCount > 0) {
        state_.App.ProgramLoaded = 1;  // an unchanged program becomes runnable as it is
    } else {
        op_.Beep(beep::Stop);
        op_.ShowMessageBox(kNotSavedEmptyText, kSaveErrorTitle, mb::StopModal);
    }
    ed_.SavePending = 0;
    return SaveOutcome::Done;
}

void DefinitionEditor::Save() {
    if (SaveSteps() != SaveOutcome::Stopped) {
        ed_.LabelPickInit = 0;
        ed_.LabelPick = 0;
    }
}

bool DefinitionEditor::Ok() {
    const SaveOutcome outcome = SaveSteps();
    ed_.LabelPickInit = 0;
    ed_.LabelPick = 0;
    if (outcome != SaveOutcome::Done) return false;  // the program stays open with its changes
    Close();
    return true;
}

void DefinitionEditor::Cancel() {
    Close();
}

void DefinitionEditor::Close() {
    ed_.SavePending = 0;
    ed_.LabelPickInit = 0;
    ed_.LabelPick = 0;
    ed_.EditorActive = 0;
}

void DefinitionEditor::NewFile() {
    UserProgram& program = state_.Program;
    if (program.LineCount > 0 && ed_.ProgramEdited == 1) {
        op_.Beep(beep::Stop);
        if (op_.ShowMessageBox(kNotSavedText, kLoadNewErrorTitle, mb::StopModalYesNo) != mb::IdYes)
            return;  // the program stays as it was, loaded or not
    }
    if (state_.App.ProgramLoaded.load() == 1) {
        ed_.SavePending = 1;
        state_.App.ProgramLoaded = 0;
    }
    ClearProgram(program, state_.Labels);
    ed_.CurrentLine = 0;
    ed_.NewProgram = 1;
    ed_.ProgramEdited = 0;
    state_.App.ProgramName.Set(kNewProgramName);
    SetCaption(kNewProgramName);
    RefreshList();
}

void DefinitionEditor::LoadFile() {
    if (state_.Program.LineCount > 0 && ed_.ProgramEdited == 1) {
        op_.Beep(beep::Stop);
        if (op_.ShowMessageBox(kNotSavedText, kUserLoadErrorTitle, mb::StopModalYesNo) != mb::IdYes)
            return;
    }
    // A cancelled or failed load leaves the program as it was, and so the list and the flags.
    if (!dialogs_.LoadProgramFile()) return;
    SetCaption(state_.App.ProgramName.Get());
    ed_.CurrentLine = 0;
    RefreshList();
    ed_.NewProgram = 0;
    ed_.SavePending = 0;
}

}  // namespace vendra
