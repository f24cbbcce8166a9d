// The terminal window against the simulator on a pty: typed keys reach the line exactly, answers
// appear, Clear, Print (81 lines a page), the scan from its button with the window
// responsive, a port that is closed or vanishes; and the "Axis Stats" box.
#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QtTest>

#include "core/tools/Terminal.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "support/PrintedListing.h"
#include "ui/network/AxisStatsBox.h"
#include "ui/tools/PortConfigurationDialog.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::ClickButton;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::PrintedListing;
using vendra::ui::test::WaitFor;

namespace {

// The program with the simulator on COM1 and the port open at the boards' rate.
struct Rig {
    AppFixture app;
    std::unique_ptr<sim::Simulator> sim;
    Terminal terminal{NetworkStateOf(app.state), app.op, app.core.Line, app.core.Network};
    std::unique_ptr<TPortConfigurationDialog> window;
    ~Rig() { terminal.Close(); }  // the terminal's worker ends before the window goes

    bool Start(const char* units, uint32_t boardBaud = 57600,
               std::vector<std::string> faults = {}) {
        sim::Options options;
        options.boardBaud = boardBaud;
        options.faults = std::move(faults);
        sim = app.StartSimulator(units, options);
        if (!sim) return false;
        app.core.Line.SetDeviceFolder(app.dir.path().toStdString());
        app.state.Serial.CurrentBaud = boardBaud;
        return app.core.Line.Take(LineUser::MainWindow).Open(1, boardBaud);
    }
    void Show() {
        window = std::make_unique<TPortConfigurationDialog>(app.core, app.op, terminal);
        terminal.Open(*window);
        window->TerminalOpened();
        window->show();
    }
    QPlainTextEdit* Screen() const { return window->TerminalScreen(); }
    QPushButton* Button(const char* name) const {
        return window->findChild<QPushButton*>(QLatin1String(name));
    }
};

}  // namespace

class TerminalWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void typedLineGoesOutExactlyAndTheAnswerAppears() {
        Rig rig;
        QVERIFY(rig.Start("X0:ver=106"));
        rig.Show();
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Terminal and Network Scanning Dialog"));
        QVERIFY(rig.Button("ScanButton")->isEnabled());
        QCOMPARE(rig.app.state.Serial.Line.Owner(), LineUser::Terminal);

        QTest::keyClicks(rig.Screen(), QStringLiteral("X0v0"));
        QVERIFY(rig.sim->ReceivedFrames().empty());
        QTest::keyClick(rig.Screen(), Qt::Key_Return);
        QVERIFY(rig.sim->WaitForFrames(1, 2000));
        QVERIFY(WaitFor([&] { return rig.window->Lines().size() == 2; }, 3000));
        QCOMPARE(rig.window->Lines(), (QStringList{"X0v0", "x0>106"}));
        // Exactly the four characters and CR reached the line, at the boards' rate.
        QCOMPARE(rig.sim->ReceivedFrames(), std::vector<std::string>{"X0v0\r"});
        QVERIFY(rig.sim->IgnoredFrames().empty());

        // A second line goes out the same way; then Clear empties the memo.
        QTest::keyClicks(rig.Screen(), QStringLiteral("X0v3\r"));
        QVERIFY(WaitFor([&] { return rig.window->Lines().size() == 4; }, 3000));
        QCOMPARE(rig.window->Lines().last(), QStringLiteral("x0>11"));
        QTest::mouseClick(rig.Button("ClearWindowButton"), Qt::LeftButton);
        QVERIFY(rig.window->Lines().isEmpty());

        rig.window.reset();
        rig.terminal.Close();
        QVERIFY(!rig.app.state.Serial.Line.Busy());
    }

    void printHandsTheScreenIn81LinePages() {
        Rig rig;
        QVERIFY(rig.Start("D3"));
        rig.Show();
        PrintedListing printed;
        printed.Attach(rig.window->Printing);
        const struct {
            int lines;
            bool printed;
            std::vector<uint32_t> pages;
            int shown;  // PrintedPages
        } cases[] = {{81, true, {81}, 1}, {82, true, {81, 1}, 2}, {82, false, {81, 1}, 0}};
        for (const auto& c : cases) {
            QStringList lines;
            for (int i = 1; i <= c.lines; ++i) lines << QStringLiteral("D3v%1").arg(i);
            rig.Screen()->setPlainText(lines.join('\n'));
            printed.printed = c.printed;
            QTest::mouseClick(rig.Button("PrintButton"), Qt::LeftButton);
            QCOMPARE(printed.docName, QStringLiteral("Terminal"));
            QCOMPARE(printed.rowsPerPage, 81u);
            QCOMPARE(printed.pages, c.pages);
            QCOMPARE(printed.lines, lines);
            QCOMPARE(rig.window->PrintedPages(), c.shown);
        }
        // No lines: nothing is handed over.
        QTest::mouseClick(rig.Button("ClearWindowButton"), Qt::LeftButton);
        QTest::mouseClick(rig.Button("PrintButton"), Qt::LeftButton);
        QCOMPARE(printed.calls, 3);
        QCOMPARE(rig.window->PrintedPages(), 0);
    }

    void closedPortLeavesTheWindowInert() {
        Rig rig;
        QVERIFY(rig.Start("D3"));
        rig.app.core.Line.Take(LineUser::MainWindow).Close();
        rig.Show();
        QVERIFY(!rig.Button("ScanButton")->isEnabled());
        QTest::keyClicks(rig.Screen(), QStringLiteral("D3v0\r"));
        QTest::qWait(100);
        QVERIFY(rig.sim->Frames().empty());
        QCOMPARE(rig.window->Lines(), QStringList{"D3v0"});  // the memo still shows the keys
        QTest::mouseClick(rig.Button("ScanButton"), Qt::LeftButton);
        QVERIFY(rig.sim->Frames().empty());
    }

    void scanFromTheButtonKeepsTheWindowResponsive() {
        Rig rig;
        QVERIFY(rig.Start("D3", 38400));
        rig.app.state.Config.ReplyTimeout = 10;
        rig.Show();
        DialogAnswerer answerer;
        answerer.QueueMessageBoxButton(mb::IdOk);
        QList<int> progress;
        connect(rig.window->findChild<QProgressBar*>("ProgressBar1"), &QProgressBar::valueChanged,
                [&](int v) { progress << v; });
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        bool disabledDuring = false;
        QTimer::singleShot(100, [&] {
            disabledDuring = !rig.Button("ScanButton")->isEnabled();
            rig.window->close();  // refused while the scan runs
        });
        QTest::mouseClick(rig.Button("ScanButton"), Qt::LeftButton);
        QVERIFY(rig.window->Scanning());
        QVERIFY(WaitFor([&] { return !rig.window->Scanning(); }, 20000));
        const qint64 ms = clock.elapsed();
        QVERIFY(disabledDuring);
        QVERIFY(rig.window->isVisible());
        // The window's events ran throughout: about one tick per 50 ms of scan.
        QVERIFY2(ticks >= ms / 50 / 2,
                 qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(ms)));
        QCOMPARE(answerer.Texts(),
                 QStringList{"Found one or more boards with a baudrate of 38400"});
        QCOMPARE(answerer.Titles(), QStringList{"Communication Scan Complete!"});
        QCOMPARE(progress.last(), 0);
        QVERIFY(progress.contains(60));  // three passes of five families
        QVERIFY(!progress.contains(64));
        QVERIFY(rig.Button("ScanButton")->isEnabled());
        QCOMPARE(rig.app.state.Serial.CurrentBaud.load(), 38400u);

        // The terminal goes on working afterwards.
        QTest::keyClicks(rig.Screen(), QStringLiteral("D3v0\r"));
        QVERIFY(WaitFor([&] { return rig.window->Lines().contains("D3>200"); }, 3000));
    }

    void vanishingLineIsReportedAndLeavesTheWindowInert() {
        Rig rig;
        QVERIFY(rig.Start("D3"));
        rig.Show();
        DialogAnswerer answerer;
        answerer.QueueMessageBoxButton(mb::IdOk);
        rig.sim->VanishLine();
        QVERIFY(WaitFor([&] { return !rig.Button("ScanButton")->isEnabled(); }, 3000));
        QCOMPARE(answerer.Titles(), QStringList{"VDWin Comm ERROR Message"});
        QVERIFY(answerer.Texts()[0].startsWith("Communications Port lost"));
        // Typing and scanning now do nothing; the window still closes.
        QTest::keyClicks(rig.Screen(), QStringLiteral("D3v0\r"));
        QTest::mouseClick(rig.Button("ScanButton"), Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(answerer.Titles().size(), 1);
        rig.window->close();
        QVERIFY(!rig.window->isVisible());
    }

    void menuOpensTheTerminalHoldingTheLine() {
        Rig rig;
        QVERIFY(rig.Start("D3"));
        DialogAnswerer answerer;
        LineUser ownerWhileOpen = LineUser::Idle;
        answerer.Queue([&](QDialog& d) {
            ownerWhileOpen = rig.app.state.Serial.Line.Owner();
            QCOMPARE(d.windowTitle(), QStringLiteral("Terminal and Network Scanning Dialog"));
            d.close();
        });
        rig.app.main.MenuAction("TerminalandNetworkScanning1")->trigger();
        QCOMPARE(ownerWhileOpen, LineUser::Terminal);
        QVERIFY(!rig.app.state.Serial.Line.Busy());
        QCOMPARE(answerer.Pending(), 0);

        // While another activity holds the line the menu item does nothing.
        LineOwner::Guard runner = rig.app.state.Serial.Line.Take(LineUser::Runner);
        rig.app.main.MenuAction("TerminalandNetworkScanning1")->trigger();
        QVERIFY(answerer.Titles().size() == 1);
    }

    void axisStatsBoxHoldsTheLongestReport() {
        QString report;
        for (int i = 1; i <= 140; ++i) report += QStringLiteral("   Line %1\r").arg(i);
        TAxisStatsBox box(report);
        box.show();
        QCOMPARE(box.windowTitle(), QStringLiteral("Axis Stats"));
        QCOMPARE(box.ReportText().split('\n').size(), 140);
        QVERIFY(box.ReportText().endsWith("Line 140"));
        const QRect screen = box.screen()->availableGeometry();
        QVERIFY(box.frameGeometry().height() <= screen.height());
    }

    void axisInformationShowsTheReportBox() {
        Rig rig;
        QVERIFY(rig.Start("D3:ver=104:cpu=5:v2=0"));
        auto& units = rig.app.state.Units;
        units.present[0][3] = 1;
        units.totalUnits = 1;
        units.lastFoundFamily = 0;
        units.lastFoundAddress = 3;
        DialogAnswerer answerer;
        QString shown;
        answerer.Queue([&](QDialog& d) {
            auto* box = qobject_cast<TAxisStatsBox*>(&d);
            QVERIFY(box != nullptr);
            shown = box->ReportText();
            ClickButton(d, "OKButton");
        });
        rig.app.main.MenuAction("AxisInformation1")->trigger();
        QVERIFY(WaitFor([&] { return !rig.app.core.BoardInfo.Running(); }, 10000));
        QVERIFY(WaitFor([&] { return answerer.Pending() == 0; }, 1000));
        QCOMPARE(answerer.Titles(), QStringList{"Axis Stats"});
        QVERIFY(shown.startsWith("Software Version: 104.33\nBoard Test Level: 1\n"));
        QVERIFY(shown.endsWith("Installed Options:\n   Basic Unit"));
        QVERIFY(WaitFor(
            [&] {
                return rig.app.main.Control<QLabel>("SystemMessages")->text() ==
                       QStringLiteral("Board Information Recieved ...");
            },
            2000));
        QCOMPARE(rig.sim->ReceivedFrames().size(), size_t(10));
    }
};

QTEST_MAIN(TerminalWindowTest)
#include "TerminalWindowTest.moc"
