// Every modal dialog and message box of the program runs through ExecModal, so that tests (and
// nothing else) can answer them: an installed answer hook is called with the dialog once it is
// shown and running its modal loop, and may set fields and click its buttons like an operator.
// Thread rule: GUI thread only.
#pragma once
#include <functional>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace vendra::ui {

using ModalAnswerHook = std::function<void(QDialog&)>;

// Shows `dialog` modally and returns QDialog::exec()'s result.
int ExecModal(QDialog& dialog);

// Widens `content` so that the dialog's title bar can show its whole caption (narrow dialogs
// would have it cut by the window manager).
void FitCaption(QDialog& dialog, QWidget& content);

// The row of "OK" (OKButton, the default button) and "Cancel" (CancelButton, rejects the dialog)
// at the right of a dialog. The caller connects `ok` to what OK does.
QHBoxLayout* OkCancelRow(QDialog& dialog, QPushButton*& ok);

// Installs (or, with an empty function, removes) the hook; returns the previous one.
ModalAnswerHook SetModalAnswerHook(ModalAnswerHook hook);

}  // namespace vendra::ui
