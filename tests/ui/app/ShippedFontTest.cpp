// The shipped font is used only where the system's UI font is missing, at the system font's size.
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

#include "ui/app/ShippedFont.h"

using namespace vendra::ui;

namespace {
const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
}

class ShippedFontTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QApplication::setFont(QFont()); }

    void shippedFontOnlyWhereSystemFontIsMissing_data() {
        QTest::addColumn<QString>("systemFamily");
        QTest::addColumn<QStringList>("shipped");  // file names; "broken" is not a font
        QTest::addColumn<QString>("used");         // empty: the system's font is kept
        QTest::newRow("system font there") << QStringLiteral("DejaVu Sans")
                                           << QStringList{QStringLiteral("Sans.ttf")} << QString();
        QTest::newRow("missing: shipped font, a broken file skipped")
            << QStringLiteral("Vendra No Such Family")
            << QStringList{QStringLiteral("A-broken.ttf"), QStringLiteral("Sans.ttf")}
            << QStringLiteral("DejaVu Sans");
        QTest::newRow("missing, nothing shipped")
            << QStringLiteral("Vendra No Such Family") << QStringList{} << QString();
        QTest::newRow("missing, only a broken file")
            << QStringLiteral("Vendra No Such Family")
            << QStringList{QStringLiteral("A-broken.ttf")} << QString();
    }
    void shippedFontOnlyWhereSystemFontIsMissing() {
        QFETCH(QString, systemFamily);
        QFETCH(QStringList, shipped);
        QFETCH(QString, used);
        QTemporaryDir folder;
        for (const QString& name : shipped) {
            if (name.contains(QStringLiteral("broken"))) {
                QFile file(folder.filePath(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("not a font\n");
            } else {
                QVERIFY(QFile::copy(kDejaVu, folder.filePath(name)));
            }
        }
        QFont system(systemFamily);
        system.setPointSizeF(9.5);
        QApplication::setFont(system);

        QCOMPARE(UseShippedFontIfNeeded(folder.path()), used);
        const QFont now = QApplication::font();
        QCOMPARE(now.family(), used.isEmpty() ? systemFamily : used);
        QCOMPARE(now.pointSizeF(), 9.5);
        if (!used.isEmpty()) QCOMPARE(QFontInfo(now).family(), used);  // drawn with it
    }
};

QTEST_MAIN(ShippedFontTest)
#include "ShippedFontTest.moc"
