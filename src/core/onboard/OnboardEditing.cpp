#include "core/onboard/OnboardEditing.h"

namespace vendra {

OnboardEdit AddOnboardLine(OnboardProgram& program, const OnboardLineEdit& edit) {
    if (program.Full()) return OnboardEdit::Full;
    program.OnboardCurrentLine = static_cast<int32_t>(program.OnboardLineCount());
    std::string text;
    if (!edit(text)) return OnboardEdit::Cancelled;
    program.AppendLine(text);
    program.OnboardModified = 1;
    return OnboardEdit::Changed;
}

OnboardEdit InsertOnboardLine(OnboardProgram& program, int selected, const OnboardLineEdit& edit) {
    size_t index = selected < 0 ? program.OnboardLineCount() : static_cast<size_t>(selected);
    if (!program.InsertBlankLine(index)) return OnboardEdit::Full;
    program.OnboardCurrentLine = static_cast<int32_t>(index);
    std::string text;
    if (!edit(text)) {
        program.DeleteLine(index);  // a cancelled insert leaves the program as it was
        return OnboardEdit::Cancelled;
    }
    program.SetLine(index, text);
    program.OnboardCurrentLine = static_cast<int32_t>(index) + 1;
    program.OnboardModified = 1;
    return OnboardEdit::Changed;
}

OnboardEdit EditOnboardLineAt(OnboardProgram& program, int selected, const OnboardLineEdit& edit) {
    if (selected < 0 || static_cast<size_t>(selected) >= program.OnboardLineCount())
        return OnboardEdit::NoLine;
    program.OnboardCurrentLine = selected;
    std::string text = program.Line(static_cast<size_t>(selected));
    if (!edit(text)) return OnboardEdit::Cancelled;
    program.SetLine(static_cast<size_t>(selected), text);
    program.OnboardModified = 1;
    return OnboardEdit::Changed;
}

OnboardEdit DeleteOnboardLine(OnboardProgram& program, int selected) {
    size_t count = program.OnboardLineCount();
    if (count == 0) return OnboardEdit::NoLine;
    size_t index = selected < 0 ? count - 1 : static_cast<size_t>(selected);
    program.OnboardCurrentLine = static_cast<int32_t>(index);
    if (!program.DeleteLine(index)) return OnboardEdit::NoLine;
    if (index > 0) program.OnboardCurrentLine = static_cast<int32_t>(index) - 1;
    program.OnboardModified = 1;
    return OnboardEdit::Changed;
}

}  // namespace vendra
