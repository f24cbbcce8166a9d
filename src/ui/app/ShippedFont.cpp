#include "ui/app/ShippedFont.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <algorithm>

namespace vendra::ui {

QString UseShippedFontIfNeeded(const QStringList& systemFamilies, const QString& folder) {
    if (systemFamilies.isEmpty() ||
        std::any_of(systemFamilies.begin(), systemFamilies.end(),
                    [](const QString& family) { return QFontDatabase::hasFamily(family); }))
        return {};
    const QFont current = QApplication::font();
    const QDir dir(folder);
    const QStringList files =
        dir.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const int id = QFontDatabase::addApplicationFont(dir.filePath(file));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty()) continue;
        QFont font(families.first());
        // The system's size stays: a pixel-sized font (rare) keeps its pixels.
        if (current.pointSizeF() > 0)
            font.setPointSizeF(current.pointSizeF());
        else
            font.setPixelSize(current.pixelSize());
        QApplication::setFont(font);
        return families.first();
    }
    return {};
}

QString ShippedFontFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fonts");
}

}  // namespace vendra::ui
