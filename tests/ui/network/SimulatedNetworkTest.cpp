// The program's own simulated network, chosen from the System menu while a real line (a simulator
// on COM1, as the machine's boards) is open: what it plays, the faults chosen, the caption, that
// the real line hears nothing meanwhile, and the way back.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "core/network/LastScan.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/app/RadioGroup.h"
#include "ui/network/SimulatedNetworkSwitch.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::DialogAnswerer;

namespace {

QString Units(AppFixture& f) {
    return QString::fromStdString(UnitList(f.state.Units));
}

}  // namespace

class SimulatedNetworkTest : public QObject {
    Q_OBJECT
  private slots:
    void simulatedNetworkReplacesTheLineUntilTheOperatorGoesBack() {
        AppFixture f;
        QVERIFY(f.WriteConfig(1, 20));
        auto real = f.StartSimulator("D3,X1");
        QVERIFY(real);
        DialogAnswerer answers;
        QVERIFY(f.StartUp(answers));
        // The real scan's units are kept for a simulated start.
        QCOMPARE(f.FileText("LastScan.cfg"), QByteArray("D3,X1\n"));
        QVERIFY(!f.main.MenuAction("RealLine1")->isEnabled());
        const size_t realFrames = real->ReceivedFrames().size();

        // The demo network, U2 silent and D3 late; a fault without its unit is refused first.
        answers.Queue([&](QDialog& dialog) {
            auto* source = dialog.findChild<RadioGroup*>("SourceRadioGroup");
            QCOMPARE(source->ItemIndex(), 0);
            QCOMPARE(source->Item(0)->text(), QStringLiteral("The units of the last scan (D3,X1)"));
            source->SetItemIndex(1);
            dialog.findChild<QSpinBox*>("SpeedEdit")->setValue(2000);
            dialog.findChild<QCheckBox*>("SilentUnitCheck")->setChecked(true);
            test::ClickButton(dialog, "OKButton");
            QVERIFY(dialog.isVisible());
            dialog.findChild<QLineEdit*>("SilentUnitEdit")->setText("u2");
            dialog.findChild<QLineEdit*>("LateUnitEdit")->setText("D3");
            dialog.findChild<QCheckBox*>("LateUnitCheck")->setChecked(true);
            test::ClickButton(dialog, "OKButton");
        });
        answers.QueueMessageBoxButton(mb::IdOk);
        f.main.MenuAction("SimulatedNetwork1")->trigger();
        QVERIFY(f.InitialisationDone("Initialization Complete ..... (SIMULATED NETWORK)"));
        QCOMPARE(answers.Texts().mid(2), QStringList({"",
                                                      "The silent unit needs a unit, as D3 or "
                                                      "X1 (a letter and a digit)."}));
        // U2 never answers; D3 answers after the scan's 20 ms, so the scan passes it over too.
        QCOMPARE(Units(f), QStringLiteral("H1,X1,Q0"));
        QVERIFY(f.main.windowTitle().endsWith(" - SIMULATED NETWORK"));
        QVERIFY(f.main.MenuAction("RealLine1")->isEnabled());
        auto* simulated = f.main.findChild<SimulatedNetworkSwitch*>();
        QVERIFY(simulated && simulated->Line());
        QCOMPARE(simulated->Line()->Simulator()->GetMotor("H1")->speed, 2000.0);
        // Not a byte went to the real line, and the simulated scan is not kept as the machine's.
        QCOMPARE(real->ReceivedFrames().size(), realFrames);
        QCOMPARE(f.FileText("LastScan.cfg"), QByteArray("D3,X1\n"));

        const std::string folder =
            std::filesystem::path(simulated->Line()->DevicePath()).parent_path().string();
        f.main.MenuAction("RealLine1")->trigger();
        QVERIFY(f.InitialisationDone());
        QCOMPARE(Units(f), QStringLiteral("D3,X1"));
        QVERIFY(!f.main.windowTitle().contains("SIMULATED"));
        QVERIFY(!f.main.MenuAction("RealLine1")->isEnabled());
        QVERIFY(real->ReceivedFrames().size() > realFrames);
        QVERIFY(!std::filesystem::exists(folder));
        QVERIFY(answers.Unexpected().isEmpty());
    }
};

QTEST_MAIN(SimulatedNetworkTest)
#include "SimulatedNetworkTest.moc"
