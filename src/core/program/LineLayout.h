// The fields of a program line after its keyword: which, in which order and of what kind. The
// writer (FormatLine) and the reader (ReadProgram) both walk this one table, so a line always
// reads back into the fields it was written from.
// Errors: none; a command code outside the table has no fields.
// Thread rule: the tables are constant; every function is safe from any thread.
#pragma once
#include <cstdint>

#include "core/program/ProgramModel.h"

namespace vendra {

enum class FieldKind : uint8_t {
    Number,     // Values[Value], unsigned decimal
    Motor,      // Values[Value], one motor letter
    Target,     // jump target: Values[Value], or the label in JumpLabels[Slot]
    Text,       // Text, quoted
    LabelName,  // Text of a label line, quoted; read cut to what the label table holds
};

struct LineField {
    FieldKind Kind;
    uint8_t Value;  // index into Values (Number, Motor, Target)
    uint8_t Slot;   // index into JumpLabels (Target)
};

constexpr int kMaxLineFields = 8;  // link_me: board, motor and six numbers

struct LineLayout {
    uint8_t Count;
    // user_input: the first field is the type (Values[0]); the fields after it are those of
    // UserInputLayout(type), which starts with the same type field.
    bool ByType;
    LineField Fields[kMaxLineFields];
};

// The layout of a command code; for user_input the layout up to its type field.
const LineLayout& CommandLayout(uint8_t command);

// The whole layout of a user_input line of this type: the type, two button targets for types 1,
// 2 and 4, three for 3 and 5, none for 0 and for types no dialog knows, then the text.
const LineLayout& UserInputLayout(uint32_t type);

// The whole layout of a line as it stands (user_input by its type).
inline const LineLayout& LayoutOfLine(const ProgramLine& line) {
    const LineLayout& layout = CommandLayout(line.Command);
    return layout.ByType ? UserInputLayout(line.Values[0]) : layout;
}

}  // namespace vendra
