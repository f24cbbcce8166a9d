#include "core/program/DialogFieldRules.h"

#include <cstring>

#include "core/program/CommandTable.h"

namespace vendra {

namespace {

constexpr size_t kTextMax = kTextSize - 1;        // Text, JumpLabels, Comment
constexpr size_t kLabelMax = kLabelNameSize - 1;  // a label table name

std::string Bounded(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A character the program file cannot carry inside a field: line ends and Ctrl-Z end it, NUL
// ends the text in memory.
bool BreaksLine(char c) {
    return c == '\r' || c == '\n' || c == '\x1a' || c == '\0';
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The problems every text field shares: length, line ends, and (for fields written in quotes or
// bare) the double quote, which would end the field early when the file is read back.
std::string TextProblem(const std::string& text, size_t max, bool quoteAllowed) {
    if (text.size() > max) {
        return "the text has " + std::to_string(text.size()) + " characters; at most " +
               std::to_string(max) + " fit.";
    }
    for (char c : text) {
        if (BreaksLine(c)) return "the text holds a line end or control character.";
        if (!quoteAllowed && c == '"')
            return "a double quote (\") cannot be kept in a program file.";
    }
    return "";
}

// The item of a radio group that stores `value`; -1 when none does.
int64_t ChoiceItem(const DialogField& field, uint32_t value) {
    if (field.ItemValues.empty()) return value;
    for (size_t i = 0; i < field.ItemValues.size(); ++i)
        if (field.ItemValues[i] == value) return static_cast<int64_t>(i);
    return -1;
}

bool InAxisLetters(char c) {
    return c == 'A' || c == 'X' || c == 'Y' || c == 'Z';
}

bool InLinkLetters(char c) {
    return c == 'X' || c == 'Y' || c == 'Z' || c == 'S' || c == 'U' || c == 'H';
}

}  // namespace

bool ParseNumber(const std::string& text, uint32_t& value) {
    size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end) return false;
    uint64_t magnitude = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (negative && magnitude > 0x80000000ull) return false;
    // Two's complement: "-1" is 4294967295, "-0" is 0.
    value = static_cast<uint32_t>(negative ? 0x100000000ull - magnitude : magnitude);
    return true;
}

bool IsLabelTarget(const std::string& text) {
    return !text.empty() && static_cast<unsigned char>(text[0]) > '9';
}

void ApplyDefaults(const DialogRow& row, ProgramLine& line, bool fresh, bool newProgram) {
    for (const DefaultRule& rule : row.Defaults) {
        uint32_t& v = line.Values[rule.Value];
        bool apply = false;
        switch (rule.When) {
            case DefaultWhen::Zero:
                apply = v == 0;
                break;
            case DefaultWhen::Below:
                apply = v < rule.Bound;
                break;
            case DefaultWhen::FreshInNewProgram:
                apply = fresh && newProgram;
                break;
            case DefaultWhen::Fresh:
                apply = fresh;
                break;
        }
        if (apply) v = rule.Set;
    }
}

std::string LoadFieldText(const DialogField& field, const ProgramLine& line) {
    switch (field.Role) {
        case EditRole::Number:
            return std::to_string(line.Values[field.Value]);
        case EditRole::Choice: {
            // The item's index; "" (no item checked) for a value no item stores.
            const int64_t item = ChoiceItem(field, line.Values[field.Value]);
            return item < 0 ? "" : std::to_string(item);
        }
        case EditRole::Target: {
            std::string label = Bounded(line.JumpLabels[field.Slot], kTextSize);
            return label.empty() ? std::to_string(line.Values[field.Value]) : label;
        }
        case EditRole::AxisLetter:
        case EditRole::LinkLetter:
            return std::string(1, MotorLetter(line.Values[field.Value]));
        case EditRole::Text:
        case EditRole::LabelName: {
            std::string text = Bounded(line.Text, kTextSize), shown;
            for (char c : text)
                if (c != '"') shown += c;
            return shown;
        }
        case EditRole::Comment:
            return Bounded(line.Comment, kTextSize);
    }
    return "";
}

FieldWarning CheckTyped(const DialogField& field, const std::string& text) {
    uint32_t v = 0;
    switch (field.Role) {
        case EditRole::Number:
            if (!ParseNumber(text, v)) return FieldWarning::None;
            return v < field.Low || v > field.High ? FieldWarning::Range : FieldWarning::None;
        case EditRole::Target:
            // A label name is not looked up; a number must be a line the check accepts.
            if (text.empty() || IsLabelTarget(text) || !ParseNumber(text, v))
                return FieldWarning::None;
            return v > field.High ? FieldWarning::Range : FieldWarning::None;
        case EditRole::AxisLetter:
            return !text.empty() && InAxisLetters(text[0]) ? FieldWarning::None
                                                           : FieldWarning::AxisLetter;
        case EditRole::LinkLetter:
            return !text.empty() && InLinkLetters(text[0]) ? FieldWarning::None
                                                           : FieldWarning::Range;
        default:
            return FieldWarning::None;
    }
}

std::string FieldName(const DialogField& field) {
    return field.Caption[0] != '\0' ? field.Caption : field.Component;
}

std::string RefusalOf(const DialogField& field, const std::string& text) {
    const std::string name = FieldName(field) + ": ";
    uint32_t v = 0;
    std::string problem;
    switch (field.Role) {
        case EditRole::Number:
            if (!ParseNumber(text, v))
                problem = Quoted(text) + " is not a whole number that fits in 32 bits.";
            break;
        case EditRole::Choice:
            if (!ParseNumber(text, v) || v > field.High)
                problem = "please choose one of the items.";
            break;
        case EditRole::Target:
            if (!IsLabelTarget(text)) {
                if (!ParseNumber(text, v))
                    problem = Quoted(text) + " is neither a line number nor a label name.";
            } else {
                problem = TextProblem(text, kTextMax, false);
            }
            break;
        case EditRole::AxisLetter:
        case EditRole::LinkLetter:
            break;  // warned while typed; a letter outside the table stores 0
        case EditRole::Text:
            problem = TextProblem(text, kTextMax, false);
            break;
        case EditRole::Comment:
            problem = TextProblem(text, kTextMax, true);
            break;
        case EditRole::LabelName:
            // The name must read back as a label wherever a line jumps to it.
            if (text.empty()) {
                problem = "a label needs a name.";
            } else if (!IsLabelTarget(text)) {
                problem = Quoted(text) +
                          " cannot name a label: a name starting with a digit, a blank or a sign "
                          "reads as a line number.";
            } else {
                problem = TextProblem(text, kLabelMax, false);
            }
            break;
    }
    return problem.empty() ? problem : name + problem;
}

void StoreField(const DialogField& field, const std::string& text, ProgramLine& line) {
    uint32_t v = 0;
    switch (field.Role) {
        case EditRole::Number:
            if (ParseNumber(text, v)) line.Values[field.Value] = v;
            break;
        case EditRole::Choice:
            if (!ParseNumber(text, v)) break;
            if (field.ItemValues.empty()) {
                line.Values[field.Value] = v;
            } else if (v < field.ItemValues.size()) {
                line.Values[field.Value] = field.ItemValues[v];
            }
            break;
        case EditRole::Target:
            if (IsLabelTarget(text)) {
                line.Values[field.Value] = 0;
                CopyField(line.JumpLabels[field.Slot], text.c_str());
            } else {
                if (ParseNumber(text, v)) line.Values[field.Value] = v;
                line.JumpLabels[field.Slot][0] = '\0';
            }
            break;
        case EditRole::AxisLetter:
        case EditRole::LinkLetter:
            // A letter outside the table (or none) stores 0, as the program reader reads it.
            line.Values[field.Value] = text.empty() ? MotorS : MotorCode(text[0]);
            break;
        case EditRole::Text:
        case EditRole::LabelName:
            CopyField(line.Text, text.c_str());
            break;
        case EditRole::Comment:
            CopyField(line.Comment, text.c_str());
            break;
    }
}

}  // namespace vendra
