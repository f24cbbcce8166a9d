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

#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"
#include "ui/app/RadioGroup.h"

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
    void formHasTheControlsOthersWireTo() {
        Fixture f;
        TMain& m = f.main;
        QCOMPARE(m.centralWidget()->size(), QSize(694, 442));
        for (const char* name : {"RunButton", "AbortButton", "SingleStep", "ResetPointer"})
            QVERIFY2(m.Control<QPushButton>(name), name);
        for (const char* name : {"ProgramDebug", "Breakpoints", "CommDebug", "DispEncoders",
                                 "DisplayTempReg", "TimeStamp"})
            QVERIFY2(m.Control<QCheckBox>(name), name);
        for (const char* name :
             {"Line1", "Command", "CLoop", "Comments", "SystemMessages", "ProgramTime",
              "ProgramAverage", "ProgramHigh", "ProgramLow", "ProgramStatus", "MtrPercent",
              "ProgCommand", "AvgMove", "MotorComm", "BaudrateDisplay"})
            QVERIFY2(m.Control<QLabel>(name), name);
        QVERIFY(m.Control<QProgressBar>("MainBarProgress"));
        for (const char* name :
             {"LoadDefineFile1", "EditDefineFile1", "AxisInformation1", "ChangeBaudrate1",
              "TerminalandNetworkScanning1", "SerialNetworkTest1", "ConfigureSystem1",
              "IEEPROMEditor1", "ExitProgram1", "About1"}) {
            QVERIFY2(m.MenuAction(name) && m.MenuAction(name)->isVisible(), name);
            QVERIFY2(m.MenuAction(name)->isEnabled(), name);
        }
        QVERIFY(!m.MenuAction("ARMConfiguration1")->isVisible());
        for (int g = 0; g < kUnitGroups; ++g) {
            for (int a = 0; a < 16; ++a) {
                const QByteArray name = QByteArray(kFamilies[g]) + QByteArray::number(a);
                QCOMPARE(m.Control<QRadioButton>(name.constData()),
                         m.UnitIndicatorButton(UnitGroup(g), a));
            }
            const QByteArray count = QByteArray(kFamilies[g]) + "_Count";
            QCOMPARE(m.Control<QLabel>(count.constData()), m.UnitCountLabel(UnitGroup(g)));
            QCOMPARE(m.UnitCountLabel(UnitGroup(g))->text(), QString());  // until the first scan
        }
        QCOMPARE(m.UnitIndicatorButton(UnitGroup::QBoard, 10)->text(), QStringLiteral("A"));
        QVERIFY(m.MainTimer()->isActive());
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

    void editDefineFileNamesANewProgram() {
        Fixture f;
        int opened = 0;
        f.main.SetDefinitionEditor([&] { ++opened; });
        {
            LineOwner::Guard busy = f.state.Serial.Line.Take(LineUser::NetworkInit);
            f.main.MenuAction("EditDefineFile1")->trigger();  // busy: nothing happens
            QCOMPARE(opened, 0);
        }
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

    // Ticking the display boxes does the window's own steps, whether a display window exists or
    // not: the encoder channels start from zero, every shown register is drawn once.
    void displayBoxesPrepareTheirDisplays() {
        Fixture f;
        BoardState& boards = f.state.Boards;
        for (auto& unit : boards.Qe)
            for (QeChannel& channel : unit) {
                channel.Count = 1234;
                channel.Text.Set("NA");
            }
        auto& changed = f.state.Run.TempRegisterChanged;
        for (auto& flag : changed) flag = 0;

        QTest::mouseClick(f.main.Control<QCheckBox>("DispEncoders"), Qt::LeftButton);
        QVERIFY(f.main.Control<QCheckBox>("DispEncoders")->isChecked());
        for (auto& unit : boards.Qe)
            for (QeChannel& channel : unit) {
                QCOMPARE(channel.Count.load(), 0);
                QCOMPARE(channel.Text.Get(), std::string("0"));
            }
        // Unticked, the counts are left as they come.
        boards.Qe[3][1].Count = 77;
        QTest::mouseClick(f.main.Control<QCheckBox>("DispEncoders"), Qt::LeftButton);
        QCOMPARE(boards.Qe[3][1].Count.load(), 77);

        f.op.SetCheckBox(CheckBox::DispTempReg, true);  // set from code: the same steps
        for (int i = 0; i < 40; ++i) QCOMPARE(changed[i].load(), 1u);
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
            // The data logger's file is closed at exit, with every reading in it.
            const std::string log = f.dir.filePath("qe.log").toStdString();
            QVERIFY(f.core.QeLogger.Open(log, 2));
            f.core.QeLogger.WriteValue("7");
            QStringList order;
            f.main.AddExitHook([&] { order << "flush"; });
            f.main.SetExitFunction([&](int code) {
                order << QString("exit %1").arg(code);
                QCOMPARE(f.state.Run.QeLoggerOpen.load(), 0u);
                QFile file(QString::fromStdString(log));
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), QByteArray("7,"));
            });
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
            QCOMPARE(fd.directory().dirName(), QStringLiteral("define"));
            QCOMPARE(fd.nameFilters(), QStringList("Definition Filter (*.def *.DEF)"));
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

        // Cancelling the next load leaves the program loaded as it was (Run still takes it).
        answerer.Queue([](QDialog& d) { d.reject(); });
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(f.state.App.ProgramLoaded.load(), 1u);
        QCOMPARE(f.state.Program.LineCount, 2u);
        QCOMPARE(f.main.windowTitle(),
                 QStringLiteral("Vendra for Windows - Def. File Loaded: Axis Demo"));
        // While the system is busy the item does nothing (no dialog).
        f.state.Run.ProgramRunning = 1;
        f.main.MenuAction("LoadDefineFile1")->trigger();
        QCOMPARE(answerer.Unexpected(), QStringList());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
