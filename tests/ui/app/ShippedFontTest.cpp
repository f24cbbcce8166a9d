// The shipped font is used only where none of the system's UI font families is installed, at the
// application font's size.
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

#include "ui/app/ShippedFont.h"

using namespace vendra::ui;

namespace {
const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
// A family installed on every platform the test runs on (offscreen on Windows has none of its own).
const QString kInstalled = QStringLiteral("DejaVu Sans Mono");
}  // namespace

class ShippedFontTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(QFontDatabase::addApplicationFont(
                    QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf")) >= 0);
    }

    void shippedFontOnlyWhereSystemFontIsMissing_data() {
        QTest::addColumn<QStringList>("systemFamilies");
        QTest::addColumn<QStringList>("shipped");  // file names; "broken" is not a font
        QTest::addColumn<QString>("used");         // empty: the system's font is kept
        const QString missing = QStringLiteral("Vendra No Such Family");
        const QStringList sans{QStringLiteral("Sans.ttf")};
        const QStringList broken{QStringLiteral("A-broken.ttf")};
        QTest::newRow("one of them there") << QStringList{missing, kInstalled} << sans << QString();
        QTest::newRow("a system that always finds one") << QStringList{} << sans << QString();
        QTest::newRow("missing: shipped font, a broken file skipped")
            << QStringList{missing} << broken + sans << QStringLiteral("DejaVu Sans");
        QTest::newRow("missing, nothing shipped")
            << QStringList{missing} << QStringList{} << QString();
        QTest::newRow("missing, only a broken file") << QStringList{missing} << broken << QString();
    }
    void shippedFontOnlyWhereSystemFontIsMissing() {
        QFETCH(QStringList, systemFamilies);
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
        QFont system(QStringLiteral("Vendra Application Font"));
        system.setPointSizeF(9.5);
        QApplication::setFont(system);

        QCOMPARE(UseShippedFontIfNeeded(systemFamilies, folder.path()), used);
        const QFont now = QApplication::font();
        QCOMPARE(now.family(), used.isEmpty() ? system.family() : used);
        QCOMPARE(now.pointSizeF(), 9.5);
        if (!used.isEmpty()) QCOMPARE(QFontInfo(now).family(), used);  // drawn with it
    }
};

QTEST_MAIN(ShippedFontTest)
#include "ShippedFontTest.moc"
