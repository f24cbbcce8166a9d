#include "ui/app/ShippedFont.h"

namespace vendra::ui {

// fontconfig answers any family with an installed one of its kind: the UI font is never missing.
QStringList SystemUiFontFamilies() {
    return {};
}

}  // namespace vendra::ui
