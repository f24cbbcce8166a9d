// The window's font where the system's UI font is missing. Windows without its own UI fonts (wine
// without its fonts, for one) draws every widget in whatever family comes first, a serif; a
// sans-serif font shipped in a folder beside the program is used instead. Where the system's font
// is there nothing changes, and a program shipped without the folder keeps the system's choice.
// Thread rule: GUI thread, once the QApplication exists.
#pragma once
#include <QString>
#include <QStringList>

namespace vendra::ui {

// The families the system's UI font is one of; empty where the system always finds one (fontconfig
// puts a sans-serif in for any name). Defined by the system's unit (ShippedFontWin32.cpp,
// ShippedFontPosix.cpp); the build picks one.
QStringList SystemUiFontFamilies();

// When none of `systemFamilies` is installed (never when it is empty), loads the fonts in `folder`
// and makes the first family loaded the application font, at the application font's size.
// Returns the family now used, or an empty text when the system's font was kept.
QString UseShippedFontIfNeeded(const QStringList& systemFamilies, const QString& folder);

// The folder the program ships its fonts in: "fonts" beside the executable.
QString ShippedFontFolder();

}  // namespace vendra::ui
