// The dialogs the definition editor opens: the command chooser, the parameter dialogs, the label
// picker, the save dialog and the main window's load. The editor window implements them with Qt
// dialogs; tests implement them with scripted answers, so the editor runs headless.
// Errors: a cancelled dialog is a result like any other (false, 2, 0).
// Thread rule: GUI thread only; every call is modal and returns when the dialog has closed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vendra {

class LineDialog;

class EditorDialogs {
  public:
    virtual ~EditorDialogs() = default;

    // The command chooser: the 45 keywords with item `preselect` selected. False when cancelled;
    // otherwise `text` is the chooser's (editable) text at OK.
    virtual bool ChooseCommand(uint32_t preselect, std::string& text) = 0;

    // Shows an activated parameter dialog until OK stores it (LineDialog::Ok returned 1) or the
    // operator cancels it. Returns 1 for OK, 2 for Cancel.
    virtual int ShowLineDialog(LineDialog& dialog) = 0;

    // The label picker: `names` in table order, item `preselect` selected. False when cancelled;
    // otherwise `index` is the chosen item, -1 when the picker's text names no item.
    virtual bool ChooseLabel(const std::vector<std::string>& names, uint32_t preselect,
                             int& index) = 0;

    // The save dialog, offering `suggested`. False when cancelled; otherwise the chosen path.
    virtual bool AskSaveFileName(const std::string& suggested, std::string& path) = 0;

    // The main window's "Load Define File": its open dialog, the load and its messages. Returns 1
    // when a program was loaded; 0 when the dialog was cancelled or the load failed, which leave
    // the program as it was.
    virtual int LoadProgramFile() = 0;

    // The editor's list, selection or caption changed: the window shows them again.
    virtual void ListChanged() = 0;
};

}  // namespace vendra
