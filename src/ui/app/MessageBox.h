// The program's one message box, with the classic flag and result values (see app/Operator.h):
// low nibble the button set, 0x10..0x40 the icon, 0x1000 system-modal; the result is the pressed
// button's code. Escape and the close box answer Cancel, or OK when it is the only button; a
// Yes/No or Abort/Retry/Ignore box has no such answer and closes only by one of its buttons.
// Thread rule: GUI thread only.
#pragma once
#include <QString>

class QWidget;

namespace vendra::ui {

int ClassicMessageBox(QWidget* parent, const QString& text, const QString& title, unsigned flags);

// The answer a box gets when it cannot be shown or is taken down without the operator (while the
// program ends): the button that declines (Cancel, No, Abort), or OK when OK is the only button.
int DecliningAnswer(unsigned flags);

}  // namespace vendra::ui
