#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/base/PlatformFiles.h"
#include "core/program/CommandTable.h"
#include "core/program/LineLayout.h"
#include "core/program/ProgramEdit.h"
#include "core/program/ProgramFile.h"
#include "core/program/TokenReader.h"

namespace vendra {

namespace {

constexpr size_t kLabelNameMax = kLabelNameSize - 1;

// Decimal with the C library's conventions: leading blanks and a sign, digits up to the first
// other character, 0 when there are none. Stored as the low 32 bits, so "-1" is 4294967295 and
// every unsigned 32-bit value reads back as written.
uint32_t NumberField(const char* field) {
    return static_cast<uint32_t>(static_cast<uint64_t>(std::strtoll(field, nullptr, 10)));
}

// Reads the fields of one line, in order, keeping the comment of the last one.
class LineFields {
  public:
    LineFields(TokenReader& reader, ProgramLine& line, LoadReport& report, const char* comment,
               uint32_t lineNumber)
        : reader_(reader),
          line_(line),
          report_(report),
          lineNumber_(lineNumber),
          commentNul_(reader.CommentHadNul()),
          lineEnded_(reader.LineEndAfter()) {
        CopyField(comment_, comment);
    }
    ~LineFields() {
        CopyField(line_.Comment, comment_);
        if (textNul_ || commentNul_) report_.NulLines.push_back(lineNumber_);
        if (ranOn_) report_.RunOnLines.push_back(lineNumber_);
    }

    void Read(const LineField& field) {
        const char* f = Next();
        switch (field.Kind) {
            case FieldKind::Number:
                line_.Values[field.Value] = NumberField(f);
                break;
            case FieldKind::Motor:
                line_.Values[field.Value] = MotorCode(f[0]);
                break;
            case FieldKind::Target:
                // A number when it starts below ':' (digits, sign, or empty), else a label name,
                // the number staying 0.
                if (static_cast<unsigned char>(f[0]) < ':') {
                    line_.Values[field.Value] = NumberField(f);
                } else {
                    line_.Values[field.Value] = 0;
                    StoreLabelName(line_.JumpLabels[field.Slot], f);
                    textNul_ = textNul_ || reader_.FieldHadNul();
                }
                break;
            case FieldKind::Text:
                CopyField(line_.Text, f);
                textNul_ = textNul_ || reader_.FieldHadNul();
                break;
            case FieldKind::LabelName:
                StoreLabelName(line_.Text, f);
                textNul_ = textNul_ || reader_.FieldHadNul();
                break;
        }
    }

  private:
    const char* Next() {
        reader_.ReadToken(field_, comment_);
        commentNul_ = reader_.CommentHadNul();  // only the last field's comment is kept
        // A field that begins after the line ended (its own line's field was empty, as "" is, or
        // missing) takes the next line's text, and that line is lost: the load names it.
        if ((lineEnded_ || reader_.LineEndBefore()) && !reader_.EmptyAtEnd()) ranOn_ = true;
        lineEnded_ = lineEnded_ || reader_.LineEndBefore() || reader_.LineEndAfter();
        return field_;
    }
    // Label names are cut to what the label table holds, on the label line and on the jumps alike,
    // so that a jump still finds its label.
    void StoreLabelName(char (&dst)[kTextSize], const char* src) {
        if (std::strlen(src) > kLabelNameMax) ++report_.FieldsCut;
        CopyField(dst, kLabelNameSize, src);
    }

    TokenReader& reader_;
    ProgramLine& line_;
    LoadReport& report_;
    uint32_t lineNumber_;
    bool commentNul_;
    bool lineEnded_;  // the fields read so far reached the end of the line
    bool ranOn_ = false;
    bool textNul_ = false;
    char field_[kTextSize] = {};
    char comment_[kTextSize] = {};
};

// Reads the fields of the line's layout. user_input reads its type first, then the fields that
// type has.
void ReadParameters(LineFields& f, const ProgramLine& line) {
    const LineLayout* layout = &CommandLayout(line.Command);
    for (int i = 0; i < layout->Count; ++i) {
        f.Read(layout->Fields[i]);
        if (i == 0 && layout->ByType) layout = &UserInputLayout(line.Values[0]);
    }
}

}  // namespace

namespace {

// The first ten lines, each as `name` gives it, then how many more.
std::string NameLines(const std::vector<uint32_t>& lines, std::string (*name)(uint32_t)) {
    constexpr size_t kNamed = 10;
    std::string text;
    for (size_t i = 0; i < lines.size() && i < kNamed; ++i)
        text += (i ? ", " : "") + name(lines[i]);
    if (lines.size() > kNamed) text += " and " + std::to_string(lines.size() - kNamed) + " more";
    return text;
}

std::string LineNumber(uint32_t line) {
    return std::to_string(line);
}

std::string RunsInto(uint32_t line) {
    return "line " + std::to_string(line) + "'s text runs into line " + std::to_string(line + 1);
}

}  // namespace

std::string DescribeLosses(const LoadReport& report) {
    std::string text;
    if (report.LinesDropped) {
        text += "The file holds more than 10000 program lines; only the first 10000 were loaded.\n";
    }
    if (report.LabelsDropped > 0) {
        text += std::to_string(report.LabelsDropped) +
                " label line(s) past the 999th cannot be jumped to by name.\n";
    }
    if (report.FieldsCut > 0) {
        text += std::to_string(report.FieldsCut) +
                " field(s) were too long and were cut (texts and comments to 149 characters, "
                "label names to 99).\n";
    }
    if (!report.NulLines.empty()) {
        // A NUL byte ends the text as the program holds it: what follows it is lost.
        text += "A NUL byte cut a text, label or comment on line(s) " +
                NameLines(report.NulLines, LineNumber) +
                "; what followed it there was not loaded.\n";
    }
    if (!report.RunOnLines.empty()) {
        std::string lines = NameLines(report.RunOnLines, RunsInto);
        lines[0] = 'L';
        text += lines +
                ": its last field is empty (\"\") or missing and no comment follows it, so the "
                "next line was read as that field.\n";
    }
    return text;
}

void ReadProgram(std::FILE* file, UserProgram& program, LabelTable& labels, LoadReport& report) {
    TokenReader reader(file);
    char field[kTextSize];
    char comment[kTextSize];
    while (!reader.AtEnd()) {
        reader.ReadToken(field, comment);
        uint8_t code = 0;
        if (field[0] == '\0' || !FindCommand(field, code)) continue;
        if (program.LineCount >= kMaxProgramLines) {
            report.LinesDropped = true;
            break;
        }
        ProgramLine& line = program.Lines[program.LineCount];
        line.Command = code;
        {
            LineFields fields(reader, line, report, comment, program.LineCount + 1);
            ReadParameters(fields, line);
        }  // the comment of the last field is stored here
        ++program.LineCount;

        if (code == CmdLabel) {
            if (labels.LabelCount < kMaxLabels) {
                LabelEntry& entry = labels.Entries[labels.LabelCount++];
                CopyField(entry.Name, line.Text);
                entry.Target = static_cast<int32_t>(program.LineCount);
            } else {
                ++report.LabelsDropped;
            }
        }
        if (code == CmdLinkMe) report.LinksFound = true;
        if (code == CmdEndProgram) {
            report.EndFound = true;
            break;
        }
    }
    report.FieldsCut += reader.CutCount();
}

int LoadProgram(UserProgram& program, LabelTable& labels, std::FILE* file, LoadReport& report) {
    report = LoadReport{};
    ClearProgram(program, labels);
    ReadProgram(file, program, labels, report);
    if (std::ferror(file)) {
        // Whatever was read before the error is dropped: a half program must never look loaded.
        report.Status = LoadStatus::ReadError;
        report.Error = errno;
        ClearProgram(program, labels);
        return 0;
    }
    return 1;
}

int LoadProgram(UserProgram& program, LabelTable& labels, const std::string& path,
                LoadReport& report) {
    int error = 0;
    // A FIFO, a device or a folder would block, never end or fail on read: refused up front.
    FileStamp before;
    std::FILE* file = OpenRegularFile(path, error, &before);
    if (file == nullptr) {
        report = LoadReport{};
        ClearProgram(program, labels);
        report.Status = LoadStatus::CannotOpen;
        report.Error = error;
        return 0;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    int result = LoadProgram(program, labels, file, report);
    if (result == 1 && FileChangedSince(file, before)) {
        // Rewritten in place while it was read: what was read may be half of one version and
        // half of another.
        ClearProgram(program, labels);
        report.LinksFound = false;
        report.Status = LoadStatus::ReadError;
        report.Error = EAGAIN;
        result = 0;
    }
    std::fclose(file);
    return result;
}

}  // namespace vendra
