// What a parameter dialog does with each of its fields, as plain functions over a program line:
// the defaults written when it opens, the text each edit shows, the check run while the operator
// types (a warning that never blocks), the check run at OK (a refusal that keeps the dialog open,
// so that nothing half-typed is stored) and the store.
// Errors: checks return what is wrong; StoreField stores only what RefusalOf accepted.
// Thread rule: plain functions; GUI thread, as the program they change.
#pragma once
#include <cstdint>
#include <string>

#include "core/program/CommandDialogRows.h"
#include "core/program/ProgramModel.h"

namespace vendra {

// A decimal whole number that fits in 32 bits: optional blanks around it, an optional sign, then
// digits only; -2147483648 .. 4294967295, a negative number kept as its 32-bit pattern (as the
// program file reads it). False for anything else, the empty text included.
bool ParseNumber(const std::string& text, uint32_t& value);

// A target text names a label when its first character sorts above the digits (as the program
// file's reader decides); otherwise it is a line number.
bool IsLabelTarget(const std::string& text);

// Writes the row's defaults into (a copy of) the line that the dialog shows: `fresh` when the
// line is being added, `newProgram` when the program was begun with New File.
void ApplyDefaults(const DialogRow& row, ProgramLine& line, bool fresh, bool newProgram);

// The text an edit shows for the line: numbers in unsigned decimal, Text without double quotes,
// a target from its label slot when that holds a name, else its number, a motor as its letter,
// a radio group as the index of the item that stores the value ("" when no item does).
std::string LoadFieldText(const DialogField& field, const ProgramLine& line);

enum class FieldWarning {
    None,
    Range,       // "Input is out of range" / "Parameter Input Range ERROR"
    AxisLetter,  // "Input range error (A,X,Y,Z). Please redo." / "VDWin - User Input Error"
};

// The check run whenever an edit's text changes. A number that does not convert raises nothing
// here: OK refuses it with its own message.
FieldWarning CheckTyped(const DialogField& field, const std::string& text);

// Why OK cannot store this text, as a sentence naming the field; "" when it can be stored.
std::string RefusalOf(const DialogField& field, const std::string& text);

// Stores an accepted text into the line. A letter outside the motor letters stores 0; a radio
// group stores the value of the chosen item.
void StoreField(const DialogField& field, const std::string& text, ProgramLine& line);

// The name a message gives a field: its caption, or its component name when it has none.
std::string FieldName(const DialogField& field);

}  // namespace vendra
