// The window's font where the system's own is missing. A system without its UI font (wine
// without its fonts, for one) draws every widget in a serif fallback; a sans-serif font shipped
// in a folder beside the program is used instead. Where the system's font is there (Windows,
// Linux desktops) nothing changes, and a program shipped without the folder keeps its font.
// Thread rule: GUI thread, once the QApplication exists.
#pragma once
#include <QString>

namespace vendra::ui {

// When the application font's family is not installed, loads the fonts in `folder` and makes the
// first family loaded the application font, at the same size. Returns the family now used, or an
// empty text when the system's font was kept (it is there, or `folder` gave no font).
QString UseShippedFontIfNeeded(const QString& folder);

// The folder the program ships its fonts in: "fonts" beside the executable.
QString ShippedFontFolder();

}  // namespace vendra::ui
