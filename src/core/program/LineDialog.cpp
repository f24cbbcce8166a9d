#include "core/program/LineDialog.h"

#include <cstring>

#include "core/base/Operator.h"
#include "core/program/DialogFieldRules.h"
#include "core/program/EditorDialogs.h"

namespace vendra {

LineDialog::LineDialog(const DialogRow& row, DefinitionEditorState state, Operator& op,
                       EditorDialogs& dialogs, uint32_t lineIndex, bool fresh)
    : row_(row),
      state_(state),
      op_(op),
      dialogs_(dialogs),
      lineIndex_(lineIndex < kMaxProgramLines ? lineIndex : kMaxProgramLines - 1),
      fresh_(fresh),
      texts_(row.Fields.size()) {}

int LineDialog::FieldIndex(const char* component) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (std::strcmp(row_.Fields[i].Component, component) == 0) return i;
    return -1;
}

void LineDialog::Activate() {
    if (active_) return;
    active_ = true;
    // The defaults are shown, not written: every default belongs to one of the fields, so OK
    // stores it with them and Cancel leaves the line as it was.
    ProgramLine shown = state_.Program.Lines[lineIndex_];
    ApplyDefaults(row_, shown, fresh_, state_.Editor.NewProgram == 1);
    for (int i = 0; i < FieldCount(); ++i) texts_[i] = LoadFieldText(row_.Fields[i], shown);
    for (int i = 0; i < FieldCount(); ++i) Check(i);
}

void LineDialog::Type(int field, const std::string& text) {
    if (field < 0 || field >= FieldCount()) return;
    texts_[field] = text;
    Check(field);
}

void LineDialog::Check(int field) {
    switch (CheckTyped(row_.Fields[field], texts_[field])) {
        case FieldWarning::None:
            break;
        case FieldWarning::Range:
            op_.ShowMessageBox(kRangeErrorText, kRangeErrorTitle, mb::Warning);
            break;
        case FieldWarning::AxisLetter:
            op_.ShowMessageBox(kAxisErrorText, kInputErrorTitle, mb::StopModal);
            break;
    }
}

void LineDialog::PickLabel(int field) {
    if (field < 0 || field >= FieldCount() || !row_.Fields[field].Picker) return;
    const LabelTable& labels = state_.Labels;
    const uint32_t count = labels.LabelCount < kMaxLabels ? labels.LabelCount : kMaxLabels;
    std::vector<std::string> names;
    names.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        names.emplace_back(labels.Entries[i].Name, strnlen(labels.Entries[i].Name, kLabelNameSize));
    int index = -1;
    if (!dialogs_.ChooseLabel(names, state_.Editor.LabelPickInit, index)) return;
    if (index < 0 || static_cast<uint32_t>(index) >= count) return;
    state_.Editor.LabelPick = state_.Editor.LabelPickInit = static_cast<uint32_t>(index);
    Type(field, names[index]);
}

int LineDialog::Ok() {
    for (int i = 0; i < FieldCount(); ++i) {
        std::string refusal = RefusalOf(row_.Fields[i], texts_[i]);
        if (!refusal.empty()) {
            op_.ShowMessageBox(refusal, kInputErrorTitle, mb::Warning);
            return 0;
        }
    }
    ProgramLine& line = state_.Program.Lines[lineIndex_];
    for (int i = 0; i < FieldCount(); ++i) StoreField(row_.Fields[i], texts_[i], line);

    if (row_.AppendsLabel) {
        // Dialogs opened before the table is next rebuilt can already pick the new label.
        LabelTable& labels = state_.Labels;
        if (labels.LabelCount < kMaxLabels) {
            LabelEntry& entry = labels.Entries[labels.LabelCount++];
            CopyField(entry.Name, line.Text);
            entry.Target = static_cast<int32_t>(lineIndex_ + 1);
        } else {
            op_.ShowMessageBox("The label table is full (" + std::to_string(kMaxLabels - 1) +
                                   " labels): no line can jump to \"" + line.Text +
                                   "\" by its name.",
                               kInputErrorTitle, mb::Warning);
        }
    }
    active_ = false;
    stored_ = true;
    return 1;
}

void LineDialog::Close() {
    active_ = false;
}

}  // namespace vendra
