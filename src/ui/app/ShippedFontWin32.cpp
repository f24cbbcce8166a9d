#include "ui/app/ShippedFont.h"

namespace vendra::ui {

// Every Windows since Vista has Segoe UI for its messages and Tahoma and Microsoft Sans Serif
// behind "MS Shell Dlg", the dialogs' font; a system with none of them has no UI font of its own.
QStringList SystemUiFontFamilies() {
    return {QStringLiteral("Segoe UI"), QStringLiteral("Tahoma"),
            QStringLiteral("Microsoft Sans Serif")};
}

}  // namespace vendra::ui
