// The command parameter dialogs as rows of one table. Each row is one dialog class: its caption,
// the commands it serves and its fields, each field naming its edit (the component name), its
// label, what part of the program line it shows and how its input is checked. The fields extend
// the line layout that the program file's reader and writer walk (LineLayout): every field but
// the comment is one of the line layout's fields, so a dialog stores exactly what the file holds.
// Dialogs derive from one another as the rows do: a derived row starts as a copy of its base.
// Errors: lookups return null for what no dialog serves.
// Thread rule: the table is built once on first use (thread-safe) and is constant afterwards.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/program/LineLayout.h"
#include "core/program/ProgramModel.h"

namespace vendra {

enum class EditRole : uint8_t {
    Number,      // a decimal number in Values[Value], range-checked while typed
    Target,      // a jump target: a line number in Values[Value] or a label in JumpLabels[Slot]
    AxisLetter,  // an AxisBoard axis in Values[Value]: A, X, Y or Z
    LinkLetter,  // the motor of a link: X, Y, Z, S, U or H
    Text,        // the line's Text
    LabelName,   // the name of a label line (the line's Text)
    Choice,      // a radio group: each item stores its value in Values[Value]
    Comment,     // the line's Comment
};

struct DialogField {
    EditRole Role = EditRole::Number;
    uint8_t Value = 0;  // Values index (Number, Target, letters, Choice)
    uint8_t Slot = 0;   // JumpLabels index (Target)
    const char* Component = "";
    const char* Caption = "";
    // Number: the range message is raised when the typed value, taken unsigned, is below Low or
    // above High. Target: above High when the text is a number.
    uint32_t Low = 0;
    uint32_t High = 0xFFFFFFFFu;
    bool Picker = false;               // a double click opens the label picker
    uint8_t Row = 0;                   // place in the dialog: fields of one row stand side by side
    std::vector<const char*> Items;    // Choice: the radio items, in index order
    std::vector<uint32_t> ItemValues;  // Choice: the value each item stores; none: its index
    uint8_t Columns = 1;               // Choice: radio columns
};

enum class DefaultWhen : uint8_t {
    Zero,               // the value is 0
    Below,              // the value is below Bound
    FreshInNewProgram,  // a line being added to a program begun with New File
    Fresh,              // a line being added
};

// A value the dialog shows in place of the line's when it opens; OK stores it with its field.
struct DefaultRule {
    uint8_t Value;
    uint32_t Set;
    DefaultWhen When;
    uint32_t Bound = 0;
};

// A caption of the dialog that belongs to no field (the "NextLine" note, legends).
struct DialogNote {
    const char* Text;
    uint8_t Row;
};

struct DialogRow {
    const char* ClassName = "";  // the dialog's class name, e.g. "TfnDBoard"
    const char* Base = "";       // the row it derives from; "" for none
    const char* Caption = "";
    std::vector<uint8_t> Commands;  // the command codes it serves
    int UserType = -1;              // user_input dialogs: the type they serve
    std::vector<DialogField> Fields;
    std::vector<DefaultRule> Defaults;
    std::vector<DialogNote> Notes;
    bool AppendsLabel = false;       // OK also enters the label in the label table (TfnLABEL)
    bool BorderIcons = true;         // the title bar offers the system menu
    uint16_t Width = 0, Height = 0;  // client size of the form

    const DialogField* Field(const char* component) const;
};

constexpr const char* kNextLineNote =
    "Address of 0 or Label: \"NextLine\" will allow the program to execute the next program "
    "line.";

// Every dialog row, bases before the rows derived from them.
const std::vector<DialogRow>& DialogRows();

// The row of a class name ("TfnDELAY"), or null.
const DialogRow* DialogRowByClass(const std::string& className);

// The parameter dialog of a line as it stands: by command, user_input by its type (0..5). Null
// for commands without a dialog and for user_input types no dialog knows.
const DialogRow* DialogRowForLine(const ProgramLine& line);

// The type chooser of a user_input line being added (TfnSelectC).
const DialogRow& UserTypeRow();

// The line layout a row's fields belong to when it serves `command`.
const LineLayout& RowLayout(const DialogRow& row, uint8_t command);

}  // namespace vendra
