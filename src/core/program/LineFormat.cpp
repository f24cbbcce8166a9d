#include "core/program/LineFormat.h"

#include "core/program/CommandTable.h"
#include "core/program/LineLayout.h"

namespace vendra {

namespace {

// Appends to a fixed buffer and silently stops at its end (always NUL-terminated).
class Appender {
  public:
    Appender(char* out, size_t size) : end_(out + size - 1), pos_(out) { *pos_ = '\0'; }
    ~Appender() { *pos_ = '\0'; }

    void Char(char c) {
        if (pos_ < end_) *pos_++ = c;
    }
    // At most `max` characters, so that an unterminated field never reads past its buffer.
    void Str(const char* s, size_t max = kTextSize - 1) {
        while (max-- > 0 && *s != '\0' && pos_ < end_) *pos_++ = *s++;
    }
    void UInt(uint32_t v, int minDigits = 1) {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        for (int i = n; i < minDigits; ++i) Char('0');
        while (n > 0) Char(digits[--n]);
    }
    // ",<number>"
    void Num(uint32_t v) {
        Char(',');
        UInt(v);
    }
    // ",\"<text>\""
    void Quoted(const char* s) {
        Char(',');
        Char('"');
        Str(s);
        Char('"');
    }
    // ",<motor letter>"
    void Motor(uint32_t code) {
        Char(',');
        Char(MotorLetter(code));
    }

  private:
    char* end_;
    char* pos_;
};

// A label name holding a character that separates or ends fields would not read back whole
// written bare; quoted, it does (a name cannot hold a double quote either way).
bool NeedsQuotes(const char* label) {
    for (size_t i = 0; i < kTextSize - 1 && label[i] != '\0'; ++i) {
        switch (label[i]) {
            case ' ':
            case '\t':
            case ',':
            case ';':
            case '\r':
            case '\n':
            case '\x1a':
                return true;
            default:
                break;
        }
    }
    return false;
}

// One jump target: its label when the slot names one, else its number. Each target stands on its
// own, so a line may mix labels and numbers and keep both through a save.
void Target(Appender& a, const ProgramLine& line, int slot, int valueIndex) {
    const char* label = line.JumpLabels[slot];
    if (label[0] != '\0' && NeedsQuotes(label)) {
        a.Quoted(label);
    } else if (label[0] != '\0') {
        a.Char(',');
        a.Str(label);
    } else {
        a.Char(',');
        a.UInt(line.Values[valueIndex]);
    }
}

void CommandPart(Appender& a, const ProgramLine& line) {
    // A code outside the table (a blank line whose command was never accepted in the editor) is
    // written as no_op: dropping the line would shift every numeric jump target below it.
    a.Str(line.Command < kCommandCount ? CommandKeyword(line.Command) : "no_op");
    // A user_input type no dialog knows is still written, so that it reads back unchanged.
    const LineLayout& layout = LayoutOfLine(line);
    for (int i = 0; i < layout.Count; ++i) {
        const LineField& f = layout.Fields[i];
        switch (f.Kind) {
            case FieldKind::Number:
                a.Num(line.Values[f.Value]);
                break;
            case FieldKind::Motor:
                a.Motor(line.Values[f.Value]);
                break;
            case FieldKind::Target:
                Target(a, line, f.Slot, f.Value);
                break;
            case FieldKind::Text:
            case FieldKind::LabelName:
                a.Quoted(line.Text);
                break;
        }
    }
}

}  // namespace

const char* FixedComment(uint8_t command) {
    switch (command) {
        case CmdNoOp:
            return "No Operation";
        case CmdUserWait:
            return "Wait for User Input";
        case CmdEnableCommDebug:
            return "Enable Communications Debugger Window";
        case CmdDisableCommDebug:
            return "Disable Communications Debugger Collection";
        case CmdPauseQeDataLogger:
            return "Pause QE Data Logger";
        case CmdDisableQeDataLogger:
            return "Disable QE Data Logger";
        case CmdLabel:
            return "Program Label";
        case CmdEndProgram:
            return "End of Program";
        default:
            return nullptr;
    }
}

namespace {

int FormatInto(ProgramLine& line, uint32_t index, LineForm form, Appender& a) {
    if (const char* fixed = FixedComment(line.Command)) CopyField(line.Comment, fixed);

    if (form == LineForm::Display) {
        a.UInt(index + 1, 4);
        a.Str(" - ");
    }
    CommandPart(a, line);
    a.Str("      ;");
    a.Str(line.Comment);
    return line.Command == CmdLabel ? 1 : 0;
}

}  // namespace

int FormatLine(UserProgram& program, uint32_t index, LineForm form, char* out, size_t size) {
    if (out == nullptr || size == 0) return 0;
    Appender a(out, size);
    if (index >= kMaxProgramLines) return 0;
    return FormatInto(program.Lines[index], index, form, a);
}

std::string FormatLineCopy(const ProgramLine& line, uint32_t index, LineForm form) {
    ProgramLine copy = line;
    char buffer[kLineBufferSize];
    {
        Appender a(buffer, sizeof buffer);  // ends the text when it goes
        FormatInto(copy, index, form, a);
    }
    return buffer;
}

std::string FormatLine(UserProgram& program, uint32_t index, LineForm form) {
    char buffer[kLineBufferSize];
    FormatLine(program, index, form, buffer, sizeof buffer);
    return buffer;
}

}  // namespace vendra
