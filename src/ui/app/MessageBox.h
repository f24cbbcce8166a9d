// The program's one message box, with the classic flag and result values (see app/Operator.h):
// low nibble the button set, 0x10..0x40 the icon, 0x1000 system-modal; the result is the pressed
// button's code. Escape and the close box answer Cancel, or OK when it is the only button; a
// Yes/No or Abort/Retry/Ignore box has no such answer and closes only by one of its buttons. A CR
// in the text, alone or before LF, breaks the line (also for the views below).
// Thread rule: GUI thread only.
#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace vendra::ui {

int ClassicMessageBox(QWidget* parent, const QString& text, const QString& title, unsigned flags);

// A box of its own for the messages with one title (a report too long for a message box): it is
// shown instead of the message box and returns the pressed button's code. An empty view removes
// it.
using MessageBoxView = std::function<int(QWidget* parent, const QString& text, unsigned flags)>;
void SetMessageBoxView(const QString& title, MessageBoxView view);

// The answer a box gets when it cannot be shown or is taken down without the operator (while the
// program ends): the button that declines (Cancel, No, Abort), or OK when OK is the only button.
int DecliningAnswer(unsigned flags);

}  // namespace vendra::ui
