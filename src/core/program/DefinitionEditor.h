// The definition editor: the list of program lines and what its buttons and menu items do (Add,
// Insert, Delete, Edit, Save, OK, Cancel, New File, Load File), the dispatch of a line to its
// parameter dialog (EditCommandLine), and the flags that track unsaved work. The window shows
// Items(), Selection() and Caption() and calls these operations; every dialog it needs is opened
// through EditorDialogs, every question and message through the Operator.
//
// Beyond the plain editor: an Insert whose chooser or dialog is cancelled takes its blank line out
// again; Add and Insert at 10000 lines say that the program is full; a cancelled save dialog
// leaves the changes pending, so Save offers it again; OK closes the window only when nothing is
// left unsaved (a declined address question, a failed write or a cancelled save dialog keep it
// open, since the next opening would clear a program that was never saved); New File answered
// "No" keeps the program as it was (still loaded); the label table is rebuilt after every
// accepted change, so the picker lists labels in line order and a renamed label does not linger
// under its old name; a cancelled or failed load leaves the program and the list as they were.
// Errors: reported to the operator; operations return nothing but change the state shown.
// Thread rule: GUI thread only, while no runner runs (the main window opens the editor only when
// the system is not busy).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/program/EditorState.h"

namespace vendra {

class EditorDialogs;
class Operator;

enum class EditMode { Add, Edit };

// Texts of the editor's questions and messages.
constexpr const char* kNotSavedText = "Program NOT Saved! Continue?";
constexpr const char* kLoadNewErrorTitle = "VDWin - User Load New Error";
constexpr const char* kUserLoadErrorTitle = "VDWin - User Load Error";
constexpr const char* kAddressBugText = "Program has a address bug! Continue Saving?";
constexpr const char* kEditErrorTitle = "VDWin - User Edit Error";
constexpr const char* kCantSaveText = "Can't Save File";
constexpr const char* kCantSaveTitle = "File Error";
constexpr const char* kNotSavedEmptyText = "Program not saved!!!!";
constexpr const char* kSaveErrorTitle = "VDWin - User Save Error";
constexpr const char* kEditorCaption = "VDWin Definition Editor - File: ";
constexpr const char* kNewProgramName = "New Program";

// Lines per printed page, and the page sizes of a listing of `lines` lines.
constexpr uint32_t kPrintLinesPerPage = 81;
std::vector<uint32_t> ListingPageSizes(uint32_t lines);

class DefinitionEditor {
  public:
    DefinitionEditor(DefinitionEditorState state, Operator& op, EditorDialogs& dialogs);

    // ---- what the window shows ----
    const std::vector<std::string>& Items() const { return items_; }
    bool IsLabelLine(uint32_t index) const;
    int32_t Selection() const { return selection_; }  // -1: no item selected
    const std::string& Caption() const { return caption_; }
    // Grows with every rebuild of the items, so the window knows when to reload them.
    uint64_t ItemsGeneration() const { return generation_; }

    // The operator selected an item (-1 or an index outside the list: none).
    void Select(int32_t index);

    // ---- handlers ----
    void Activate();  // the first activation of an opening; later ones do nothing
    void Add();
    void Insert();
    void Delete();
    void Edit();  // also the list's double click
    void Save();
    // Save; true when the window closes: the save completed or nothing needed saving.
    bool Ok();
    void Cancel();  // the window closes; the program stays as edited
    void Close();   // the window closed by any means
    void NewFile();
    void LoadFile();

    // Opens the dialog(s) of the line at CurrentLine. Add mode first gives the line the chosen
    // command. Returns 1 when accepted, 2 otherwise.
    int EditCommandLine(EditMode mode);
    // Re-formats every line into the list and selects CurrentLine.
    void RefreshList();

  private:
    bool HasSelection() const;
    bool ChooseCommand();
    bool RefuseFullProgram();
    enum class SaveOutcome {
        Done,     // written, or nothing needed writing
        Stopped,  // an early end: address question declined, write failed
        Pending,  // the save dialog was cancelled: the changes are still unsaved
    };
    SaveOutcome SaveSteps();
    void SetCaption(const std::string& name);
    void Changed();

    DefinitionEditorState state_;
    EditorState& ed_;
    Operator& op_;
    EditorDialogs& dialogs_;
    std::vector<std::string> items_;
    int32_t selection_ = -1;
    std::string caption_;
    uint64_t generation_ = 0;
};

}  // namespace vendra
