// The program's start-up against the simulated network on a pty: the order of the frames on the
// line, the unit counts and indicators, the menu items, a port that cannot be opened, and the
// restart after the configuration dialog changes the port.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/app/RadioGroup.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

namespace {

// The frames a full scan sends when exactly `present` answer ("D3", "X1", ...): every v0 query in
// family order, each present unit's v3 query right after its v0 (never for QBoard).
std::vector<std::string> ExpectedScan(const QStringList& present) {
    std::vector<std::string> frames = {"GG*\r"};
    for (char family : {'D', 'U', 'H', 'X', 'Q'}) {
        for (int a = 0; a < 16; ++a) {
            const std::string unit = std::string(1, family) + "0123456789ABCDEF"[a];
            frames.push_back(unit + "v0\r");
            if (family != 'Q' && present.contains(QString::fromStdString(unit)))
                frames.push_back(unit + "v3\r");
        }
    }
    return frames;
}

QString Count(AppFixture& f, UnitGroup g) {
    return f.main.UnitCountLabel(g)->text();
}

// "D3" -> its indicator.
QRadioButton* Indicator(AppFixture& f, const QString& unit) {
    const QString families = QStringLiteral("DUHXQ");
    return f.main.UnitIndicatorButton(UnitGroup(families.indexOf(unit[0])),
                                      QStringLiteral("0123456789ABCDEF").indexOf(unit[1]));
}

void CheckIndicators(AppFixture& f, const QStringList& present) {
    const QString families = QStringLiteral("DUHXQ"), digits = QStringLiteral("0123456789ABCDEF");
    int disabled = 0;
    for (QChar family : families)
        for (QChar digit : digits) {
            const QString unit = QString(family) + digit;
            QRadioButton* b = Indicator(f, unit);
            if (present.contains(unit)) {
                QVERIFY2(b->isEnabled() && b->isChecked(), qPrintable(unit));
            } else {
                QVERIFY2(!b->isEnabled() && !b->isChecked(), qPrintable(unit));
                ++disabled;
            }
        }
    QCOMPARE(disabled, 80 - int(present.size()));
}

}  // namespace

class StartupNetworkTest : public QObject {
    Q_OBJECT
  private slots:
    void startupScansTheNetworkInOrder() {
        AppFixture f;
        QVERIFY(f.WriteDefaultConfig());
        auto simulator = f.StartSimulator("D3,X1,Q0");
        QVERIFY(simulator);
        DialogAnswerer answerer;
        AppFixture::AnswerStartup(answerer);
        f.main.show();
        QVERIFY(f.InitialisationDone());

        const QStringList present = {"D3", "X1", "Q0"};
        QCOMPARE(simulator->ReceivedFrames(), ExpectedScan(present));
        QCOMPARE(Count(f, UnitGroup::DBoard), QStringLiteral("1"));
        QCOMPARE(Count(f, UnitGroup::UBoard), QStringLiteral("0"));
        QCOMPARE(Count(f, UnitGroup::HBoard), QStringLiteral("0"));
        QCOMPARE(Count(f, UnitGroup::AxisBoard), QStringLiteral("1"));
        QCOMPARE(Count(f, UnitGroup::QBoard), QStringLiteral("1"));
        CheckIndicators(f, present);
        for (const char* item : {"AxisInformation1", "ChangeBaudrate1",
                                 "TerminalandNetworkScanning1", "SerialNetworkTest1"})
            QVERIFY2(f.main.MenuAction(item)->isEnabled(), item);
        QVERIFY(f.main.Control<QCheckBox>("CommDebug")->isEnabled());
        QCOMPARE(f.state.Units.totalUnits.load(), 3);
        QCOMPARE(answerer.Titles(),
                 QStringList({"Initializing System .........", "Baudrate Selection"}));
        QVERIFY(answerer.Unexpected().isEmpty());
    }

    void portThatCannotBeOpenedIsReportedAndTheWindowStaysUsable() {
        AppFixture f;
        QVERIFY(f.WriteConfig(40));
        // COM40 is a link to nowhere: opening it fails.
        QVERIFY(QFile::link(f.dir.filePath("no-such-device"), f.dir.filePath("COM40")));
        DialogAnswerer answerer;
        AppFixture::AnswerStartup(answerer);
        answerer.QueueMessageBoxButton(mb::IdOk);
        f.main.show();
        QVERIFY(f.InitialisationDone());
        QCOMPARE(answerer.Titles().value(2), QStringLiteral("VDWin Communications Port ERROR"));
        QCOMPARE(answerer.Texts().value(2),
                 QStringLiteral("Can not open Communications Port\nCOM40") +
                     QStringLiteral(": no such device (is the adapter plugged in, and the port "
                                    "number right?)"));
        QVERIFY(!f.main.MenuAction("AxisInformation1")->isEnabled());
        QVERIFY(!f.main.MenuAction("ChangeBaudrate1")->isEnabled());
        // The indicators stay as the reset left them: enabled and unchecked.
        for (int g = 0; g < kUnitGroups; ++g)
            for (int a = 0; a < 16; ++a) {
                QVERIFY(f.main.UnitIndicatorButton(UnitGroup(g), a)->isEnabled());
                QVERIFY(!f.main.UnitIndicatorButton(UnitGroup(g), a)->isChecked());
            }
        // The window stays usable: the About box still opens and closes.
        answerer.QueueClick("OKButton");
        f.main.MenuAction("About1")->trigger();
        QCOMPARE(answerer.Titles().value(3), QStringLiteral("About"));
        QVERIFY(answerer.Unexpected().isEmpty());
    }

    void portChangeInConfigurationRestartsTheScan() {
        AppFixture f;
        QVERIFY(f.WriteConfig(1, 20));  // a short scan time-out keeps the two scans quick
        auto first = f.StartSimulator("D3,X1,Q0");
        auto second = f.StartSimulator("U5,H2", 2);
        QVERIFY(first && second);
        DialogAnswerer answerer;
        AppFixture::AnswerStartup(answerer);
        f.main.show();
        QVERIFY(f.InitialisationDone());
        f.main.ShowSystemMessage(QString());

        answerer.Queue([](QDialog& d) {
            d.findChild<QComboBox*>("CommPort")->setCurrentIndex(1);
            test::ClickButton(d, "OKButton");
        });
        f.main.MenuAction("ConfigureSystem1")->trigger();
        QVERIFY(f.InitialisationDone());
        QCOMPARE(second->ReceivedFrames(), ExpectedScan({"U5", "H2"}));
        QCOMPARE(Count(f, UnitGroup::DBoard), QStringLiteral("0"));
        QCOMPARE(Count(f, UnitGroup::UBoard), QStringLiteral("1"));
        QCOMPARE(Count(f, UnitGroup::HBoard), QStringLiteral("1"));
        CheckIndicators(f, {"U5", "H2"});
        QCOMPARE(f.ConfigText(), QByteArray("2\r\n120\r\n200\r\n250\r\n0\r\n250\r\n20\r\n"));
        QCOMPARE(f.state.Config.CommPortNumber.load(), 2);
        QCOMPARE(f.state.Config.ReplyTimeout.load(), 120);  // restored after the scan
        QVERIFY(answerer.Unexpected().isEmpty());
    }

    void changeBaudrateMovesTheNetwork() {
        AppFixture f;
        QVERIFY(f.WriteConfig(1, 20));
        auto simulator = f.StartSimulator("D3");
        QVERIFY(simulator);
        DialogAnswerer answerer;
        AppFixture::AnswerStartup(answerer);
        f.main.show();
        QVERIFY(f.InitialisationDone());

        // While the system is busy the item does nothing.
        {
            LineOwner::Guard busy = f.state.Serial.Line.Take(LineUser::NetworkInit);
            f.main.MenuAction("ChangeBaudrate1")->trigger();
        }
        QCOMPARE(answerer.Titles().size(), 2);

        simulator->ClearLog();
        answerer.Queue([](QDialog& d) {
            d.findChild<RadioGroup*>("BaudrateRadioGroup")->Item(2)->click();  // 115200
            test::ClickButton(d, "BaudrateOK");
        });
        f.main.MenuAction("ChangeBaudrate1")->trigger();
        QCOMPARE(simulator->ReceivedFrames(), std::vector<std::string>({"GG!\r", "GGc4\r"}));
        QCOMPARE(simulator->BoardBaud(), 115200u);
        QCOMPARE(f.state.Serial.CurrentBaud.load(), 115200u);
        // Host and boards talk at the new rate.
        char reply[32] = {};
        LineSession line = f.core.Line.Take(LineUser::MainWindow);
        QCOMPARE(f.core.Network.QueryUnit(line, "D3v0\r", reply, sizeof reply), 1);
        QVERIFY(answerer.Unexpected().isEmpty());
    }
};

QTEST_MAIN(StartupNetworkTest)
#include "StartupNetworkTest.moc"
