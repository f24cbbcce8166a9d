// TMain: its controls, the unit indicators, the start-up sequence and its own menu items.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/QtOperator.h"
#include "app/RadioGroup.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

namespace {

using Fixture = vendra::ui::test::AppFixture;

const char* const kFamilies[] = {"DBoard", "UBoard", "HBoard", "AxisBoard", "QBoard"};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void formHasEveryControl() {
        Fixture f;
        TMain& m = f.main;
        QCOMPARE(m.objectName(), QStringLiteral("TMain"));
        QCOMPARE(m.windowTitle(), QStringLiteral("Vendra for Windows"));
        QCOMPARE(m.centralWidget()->size(), QSize(694, 442));
        QCOMPARE(m.pos(), QPoint(0, 0));

        const std::pair<const char*, const char*> buttons[] = {{"RunButton", "Run Program"},
                                                               {"AbortButton", "Abort"},
                                                               {"SingleStep", "Single Step"},
                                                               {"ResetPointer", "Reset Pointer"}};
        for (auto [name, caption] : buttons)
            QCOMPARE(m.Control<QPushButton>(name)->text(), QLatin1String(caption));
        const std::pair<const char*, const char*> boxes[] = {
            {"ProgramDebug", "Prog. Debug"},        {"Breakpoints", "Breakpoints"},
            {"CommDebug", "Comm. Debug"},           {"DispEncoders", "Disp. Encoders"},
            {"DisplayTempReg", "Disp. Temp. Reg."}, {"TimeStamp", "Time Stamp"}};
        for (auto [name, caption] : boxes)
            QCOMPARE(m.Control<QCheckBox>(name)->text(), QLatin1String(caption));
        QCOMPARE(m.Control<QCheckBox>("CommDebug")->parentWidget()->objectName(),
                 QStringLiteral("DebuggerGroup"));
        QCOMPARE(m.Control<QGroupBox>("DebuggerGroup")->title(), QStringLiteral("Debugger"));

        QCOMPARE(m.Control<QLabel>("Line1")->text(), QStringLiteral("000000"));
        QCOMPARE(m.Control<QLabel>("CLoop")->text(), QStringLiteral("00000"));
        for (const char* name : {"Command", "Comments", "SystemMessages"})
            QVERIFY(m.Control<QLabel>(name));
        const char* groupCaptions[][2] = {{"LineGroup", "Line"},
                                          {"CLoopGroup", "CLoop"},
                                          {"CommandGroup", "Command"},
                                          {"CommentsGroup", "Comments"},
                                          {"SystemMessagesGroup", "System Messages"},
                                          {"ProgramStatistics", "Program Statistics"}};
        for (auto& g : groupCaptions)
            QCOMPARE(m.Control<QGroupBox>(g[0])->title(), QLatin1String(g[1]));
        const char* stats[][2] = {{"ProgramTime", "Time"},     {"ProgramAverage", "Average"},
                                  {"ProgramHigh", "High"},     {"ProgramLow", "Low"},
                                  {"ProgramStatus", "Status"}, {"MtrPercent", "Mtr %"},
                                  {"ProgCommand", "Comnd"},    {"AvgMove", "Avg. Mov."},
                                  {"MotorComm", "Motor Comm"}, {"BaudrateDisplay", "Baudrate"}};
        for (auto& s : stats) {
            QVERIFY2(m.Control<QLabel>(s[0]), s[0]);
            QCOMPARE(m.Control<QLabel>((QByteArray(s[0]) + "Caption").constData())->text(),
                     QLatin1String(s[1]));
        }
        auto* bar = m.Control<QProgressBar>("MainBarProgress");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);

        const char* menu[][2] = {{"LoadDefineFile1", "Load Define File"},
                                 {"EditDefineFile1", "Edit Define File"},
                                 {"AxisInformation1", "Axis Information"},
                                 {"ChangeBaudrate1", "Change Baudrate"},
                                 {"TerminalandNetworkScanning1", "Terminal and Network Scanning"},
                                 {"SerialNetworkTest1", "Serial Network Test"},
                                 {"ConfigureSystem1", "Configure System"},
                                 {"IEEPROMEditor1", "IEEPROM Editor"},
                                 {"ExitProgram1", "Exit Program"},
                                 {"About1", "About"}};
        for (auto& item : menu) {
            QAction* a = m.MenuAction(item[0]);
            QVERIFY2(a, item[0]);
            QCOMPARE(a->text(), QLatin1String(item[1]));
            QVERIFY(a->isVisible());
            QVERIFY(a->isEnabled());
        }
        QVERIFY(!m.MenuAction("ARMConfiguration1")->isVisible());
        QCOMPARE(m.menuBar()->actions().first()->text(), QStringLiteral("File"));

        const QString digits = QStringLiteral("0123456789ABCDEF");
        for (int g = 0; g < kUnitGroups; ++g) {
            QCOMPARE(
                m.Control<QGroupBox>((QByteArray(kFamilies[g]) + "Group").constData())->title(),
                QLatin1String(kFamilies[g]));
            for (int a = 0; a < 16; ++a) {
                const QByteArray name = QByteArray(kFamilies[g]) + QByteArray::number(a);
                auto* b = m.Control<QRadioButton>(name.constData());
                QVERIFY2(b, name.constData());
                QCOMPARE(b, m.UnitIndicatorButton(UnitGroup(g), a));
                QCOMPARE(b->text(), QString(digits[a]));
            }
            auto* count = m.Control<QLabel>((QByteArray(kFamilies[g]) + "_Count").constData());
            QVERIFY(count);
            QCOMPARE(count->text(), QString());  // empty until the first scan
            QCOMPARE(qobject_cast<QGroupBox*>(count->parentWidget())->title(),
                     QStringLiteral("Count"));
        }
        QCOMPARE(m.MainTimer()->interval(), 100);
        QVERIFY(m.MainTimer()->isActive());
        QCOMPARE(m.IniTimer()->interval(), 100);
        QVERIFY(m.IniTimer()->isSingleShot());
        QVERIFY(!m.IniTimer()->isActive());
    }

    void indicatorsOfAGroupAreNotExclusive() {
        Fixture f;
        TMain& m = f.main;
        for (int a : {0, 3, 5, 15})
            m.ShowUnitIndicator(UnitGroup::DBoard, a, UnitIndicator::Marked);
        m.ShowUnitIndicator(UnitGroup::AxisBoard, 1, UnitIndicator::Marked);
        m.ShowUnitIndicator(UnitGroup::DBoard, 7, UnitIndicator::Disabled);
        for (int a : {0, 3, 5, 15})
            QVERIFY(m.UnitIndicatorButton(UnitGroup::DBoard, a)->isChecked());
        QVERIFY(m.UnitIndicatorButton(UnitGroup::AxisBoard, 1)->isChecked());
        QVERIFY(!m.UnitIndicatorButton(UnitGroup::DBoard, 7)->isEnabled());
        // The operator cannot change them.
        QTest::mouseClick(m.UnitIndicatorButton(UnitGroup::DBoard, 3), Qt::LeftButton);
        QVERIFY(m.UnitIndicatorButton(UnitGroup::DBoard, 3)->isChecked());

        m.ResetUnitButtons();
        for (int g = 0; g < kUnitGroups; ++g)
            for (int a = 0; a < 16; ++a) {
                QVERIFY(m.UnitIndicatorButton(UnitGroup(g), a)->isEnabled());
                QVERIFY(!m.UnitIndicatorButton(UnitGroup(g), a)->isChecked());
            }
    }

    void startupAsksInOrderAndRunsOnce() {
        Fixture f;  // no Config.cfg: the create question comes first
        DialogAnswerer answerer;
        answerer.QueueMessageBoxButton(mb::IdNo);
        answerer.QueueMessageBoxButton(mb::IdOk);
        answerer.Queue([](QDialog& d) {
            d.findChild<RadioGroup*>("BaudrateRadioGroup")->Item(7)->click();  // No Comm
            test::ClickButton(d, "BaudrateOK");
        });
        f.state.App.ProgramLoaded = 1;
        f.main.show();
        QVERIFY(WaitFor([&] { return f.main.IniTimer()->isActive() || answerer.Pending() == 0; }));
        QCOMPARE(answerer.Titles(),
                 QStringList({"VDWin Error Message", "Initializing System .........",
                              "Baudrate Selection"}));
        QCOMPARE(
            answerer.Texts()[1],
            QStringLiteral("Please make sure that the Boards are powered up before proceeding."));
        QCOMPARE(f.state.Serial.CurrentBaud.load(), 0u);
        QCOMPARE(f.state.App.ProgramName.Get(), std::string("None Loaded"));
        QCOMPARE(f.state.App.ProgramLoaded.load(), 0u);
        QCOMPARE(f.main.Control<QLabel>("Line1")->text(), QStringLiteral("1"));
        QVERIFY(!QFile::exists(f.dir.filePath("Config.cfg")));  // answered No

        // Without communication the initialisation opens nothing and leaves the indicators
        // enabled and unchecked, with the items that need boards disabled.
        QVERIFY(WaitFor([&] {
            return f.main.Control<QLabel>("SystemMessages")->text() ==
                   QStringLiteral("Initialization Complete .....");
        }));
        QVERIFY(!f.main.MenuAction("AxisInformation1")->isEnabled());
        QVERIFY(!f.main.MenuAction("ChangeBaudrate1")->isEnabled());
        QVERIFY(!f.main.MenuAction("ARMConfiguration1")->isEnabled());
        QCOMPARE(f.state.Serial.PortOpen.load(), 0u);
        for (int g = 0; g < kUnitGroups; ++g)
            for (int a = 0; a < 16; ++a) {
                QVERIFY(f.main.UnitIndicatorButton(UnitGroup(g), a)->isEnabled());
                QVERIFY(!f.main.UnitIndicatorButton(UnitGroup(g), a)->isChecked());
            }

        // Later activations do nothing.
        f.main.hide();
        f.main.show();
        f.main.activateWindow();
        QTest::qWait(50);
        f.main.FormActivate();
        QCOMPARE(answerer.Titles().size(), 3);
        QVERIFY(answerer.Unexpected().isEmpty());
    }

    void timeStampBoxSetsTheFlag() {
        Fixture f;
        auto* box = f.main.Control<QCheckBox>("TimeStamp");
        box->click();
        QCOMPARE(f.state.Serial.TimeStampFrames.load(), 1u);
        box->click();
        QCOMPARE(f.state.Serial.TimeStampFrames.load(), 0u);
    }

    void editDefineFileNamesANewProgram() {
        Fixture f;
        int opened = 0;
        f.main.SetDefinitionEditor([&] { ++opened; });
        f.state.App.NetworkInitActive = 1;  // busy: nothing happens
        f.main.MenuAction("EditDefineFile1")->trigger();
        QCOMPARE(opened, 0);
        f.state.App.NetworkInitActive = 0;
        f.main.MenuAction("EditDefineFile1")->trigger();
        QCOMPARE(opened, 1);
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: New Program"));
        // A loaded program keeps its name.
        f.state.App.ProgramLoaded = 1;
        f.state.App.ProgramName.Set("demo");
        f.main.MenuAction("EditDefineFile1")->trigger();
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: demo"));
    }

    void mainTimerRunsHooksAndKeepsCaption() {
        Fixture f;
        int ticks = 0;
        f.main.AddTimerHook([&] { ++ticks; });
        f.state.App.ProgramName.Set("axis-test");
        QVERIFY(WaitFor([&] { return ticks >= 2; }, 2000));
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: axis-test"));
    }

    void exitAndCloseEndTheProcessAfterFlushing() {
        {
            Fixture f;
            QStringList order;
            f.main.AddExitHook([&] { order << "flush"; });
            f.main.SetExitFunction([&](int code) { order << QString("exit %1").arg(code); });
            f.main.MenuAction("ExitProgram1")->trigger();
            QCOMPARE(order, QStringList({"flush", "exit 0"}));
        }
        {
            Fixture f;
            f.main.show();
            DialogAnswerer answerer;  // start-up dialogs closed as unexpected: irrelevant here
            f.main.close();
            QCOMPARE(f.exitCode, 0);
        }
    }

    void loadDefineFileCancelledKeepsNothingLoaded() {
        Fixture f;
        f.state.App.ProgramLoaded = 1;
        DialogAnswerer answerer;
        QString folder, filter;
        answerer.Queue([&](QDialog& d) {
            auto& fd = static_cast<QFileDialog&>(d);
            folder = fd.directory().dirName();
            filter = fd.nameFilters().join(";");
            d.reject();
        });
        QDir(f.dir.path()).mkdir("define");
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(f.state.App.ProgramLoaded.load(), 0u);
        QCOMPARE(folder, QStringLiteral("define"));
        QCOMPARE(filter, QStringLiteral("Definition Filter (*.def *.DEF)"));
    }

    void loadDefineFileLoadsTheChosenProgram() {
        Fixture f;
        QDir(f.dir.path()).mkdir("define");
        QFile file(f.dir.filePath("define/Axis Demo.def"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("delay,100      ;settle\r\nend_program      ;\r\n");
        file.close();
        DialogAnswerer answerer;
        answerer.Queue([&](QDialog& d) {
            auto& fd = static_cast<QFileDialog&>(d);
            fd.selectFile(f.dir.filePath("define/Axis Demo.def"));
            static_cast<QDialog&>(fd).accept();
        });
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
        QCOMPARE(f.state.Program.LineCount, 2u);
        QCOMPARE(f.state.App.ProgramName.Get(), std::string("Axis Demo"));
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: Axis Demo"));
        QVERIFY(answerer.Unexpected().isEmpty());

        // While the system is busy the item does nothing (no dialog).
        f.state.Run.ProgramRunning = 1;
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(answerer.Unexpected(), QStringList());
        QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
