// One open parameter dialog: the texts of its edits over one program line, from its first
// activation to OK or Cancel. The window's dialog shows these texts and hands every keystroke,
// label pick and button here; the editor creates, activates and closes it.
//
// Activation loads the edits, showing the row's defaults in place of the values they replace
// (written into the line only by OK, so Cancel leaves the line as it was), and runs each edit's
// check as if it had been typed, so a stored value out of range is reported as the dialog opens.
// Typing runs the check again: a warning, not a refusal. OK checks every field first and stores
// nothing unless all can be stored, so the line is never left half-changed; a field that cannot be
// stored is named in a message and the dialog stays open. Errors: messages go to the operator; Ok
// returns 0 when it refused. Thread rule: GUI thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/program/CommandDialogRows.h"
#include "core/program/EditorState.h"

namespace vendra {

class EditorDialogs;
class Operator;

// Message texts of the dialogs.
constexpr const char* kRangeErrorText = "Input is out of range";
constexpr const char* kRangeErrorTitle = "Parameter Input Range ERROR";
constexpr const char* kAxisErrorText = "Input range error (A,X,Y,Z). Please redo.";
constexpr const char* kInputErrorTitle = "VDWin - User Input Error";

class LineDialog {
  public:
    // `lineIndex` is the line's place in the program (the label dialog enters it); `fresh` when
    // the line is being added.
    LineDialog(const DialogRow& row, DefinitionEditorState state, Operator& op,
               EditorDialogs& dialogs, uint32_t lineIndex, bool fresh);

    const DialogRow& Row() const { return row_; }
    int FieldCount() const { return static_cast<int>(row_.Fields.size()); }
    // Index of the field with this component name, -1 when the dialog has none.
    int FieldIndex(const char* component) const;
    const std::string& Text(int field) const { return texts_.at(field); }

    // The first activation: defaults, load, checks. Later activations (after the label picker)
    // change nothing.
    void Activate();
    // The operator changed the edit's text: runs its check.
    void Type(int field, const std::string& text);
    // Double click on a field with a label picker: opens the picker; a chosen label replaces the
    // edit's text (and is checked as if typed). Cancel leaves every edit as it was.
    void PickLabel(int field);
    // OK: 1 when every field was stored, 0 when a field was refused (message shown).
    int Ok();
    // Cancel or close: nothing more is stored.
    void Close();

    bool Stored() const { return stored_; }

  private:
    void Check(int field);

    const DialogRow& row_;
    DefinitionEditorState state_;
    Operator& op_;
    EditorDialogs& dialogs_;
    uint32_t lineIndex_;
    bool fresh_;
    bool active_ = false;  // the activation guard
    bool stored_ = false;
    std::vector<std::string> texts_;
};

}  // namespace vendra
