// The main window's run controls while a program really runs on the runner thread: Run, Abort,
// Single Step, Reset Pointer, "Prog. Debug", "Breakpoints" with its dialog, and the status
// display the timer writes.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "core/app/LoadProgramFile.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunControl.h"
#include "core/runner/RunTables.h"
#include "core/runner/Runner.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/runner/BreakpointDialog.h"
#include "ui/runner/RunController.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

namespace {

// The whole program (core and window, not shown, so no start-up runs). The port stays closed: the
// programs here need no boards.
struct Fixture : vendra::ui::test::AppFixture {
    Runner& runner = core.RunnerWorker;
    RunControl& control = core.RunControls;
    RunController* controller = main.findChild<RunController*>(QStringLiteral("RunController"));

    Fixture() { ResetRunTables(RunnerStateOf(state)); }
    ~Fixture() {
        // Whatever a test left running ends before the window goes.
        if (main.Control<QCheckBox>("ProgramDebug")->isChecked())
            main.Control<QCheckBox>("ProgramDebug")->setChecked(false);
        control.AbortButtonClick();
        control.AbortButtonClick();
        WaitFor([&] { return !runner.Running(); }, 5000);
    }

    bool Load(const char* text) {
        std::FILE* f = fmemopen(const_cast<char*>(text), strlen(text), "r");
        LoadReport report;
        bool ok = f && LoadProgram(state, f, report) == 1;
        if (f) std::fclose(f);
        state.App.ProgramLoaded = ok ? 1 : 0;
        main.MainTimerTimer();  // enables the buttons at once
        return ok;
    }
    void Click(const char* name) {
        QTest::mouseClick(main.Control<QPushButton>(name), Qt::LeftButton);
    }
    void Toggle(const char* name) {
        QTest::mouseClick(main.Control<QCheckBox>(name), Qt::LeftButton);
    }
    QString Text(const char* name) { return main.Control<QLabel>(name)->text(); }
    uint32_t Reg(int n) { return state.Run.TempRegisters[n].load(); }
};

// Counts in register 1 forever, with a short delay per turn.
const char* const kEndless = "label,\"top\"\ninc_temp,1,1\ndelay,2\nloop,top\n";
const char* const kMarks =
    "set_temp,1,1\nset_temp,2,1\nset_temp,3,1\nset_temp,4,1\nset_temp,5,1\nend_program\n";

}  // namespace

class RunControlsTest : public QObject {
    Q_OBJECT
  private slots:
    void buttonsFollowTheLoadedProgram() {
        Fixture f;
        f.main.MainTimerTimer();
        QVERIFY(!f.main.Control<QPushButton>("RunButton")->isEnabled());
        QVERIFY(!f.main.Control<QCheckBox>("ProgramDebug")->isEnabled());
        QVERIFY(f.Load(kMarks));
        QVERIFY(f.main.Control<QPushButton>("RunButton")->isEnabled());
        QVERIFY(f.main.Control<QPushButton>("SingleStep")->isEnabled());
        QVERIFY(f.main.Control<QPushButton>("ResetPointer")->isEnabled());
        QCOMPARE(f.Text("BaudrateDisplay"), QStringLiteral("57600"));
    }

    void runWithoutProgramSaysSo() {
        Fixture f;
        DialogAnswerer answers;
        answers.QueueMessageBoxButton(mb::IdOk);
        f.control.RunButtonClick();
        QCOMPARE(answers.Texts(), QStringList{QStringLiteral("No Define file loaded")});
        QVERIFY(!f.runner.Running());
    }

    void runShowsStatusAndAbortEndsIt() {
        Fixture f;
        QVERIFY(f.Load(kEndless));
        f.Click("RunButton");
        QVERIFY(f.runner.Running());
        QVERIFY(WaitFor([&] { return f.Reg(1) > 5 && !f.Text("ProgramTime").isEmpty(); }));
        QVERIFY(f.Text("ProgramTime").endsWith(QStringLiteral(" sec")));
        QCOMPARE(f.Text("ProgramLow"), QStringLiteral("9999999 msec"));
        QCOMPARE(f.Text("MtrPercent"), QStringLiteral("0.0%"));
        f.Click("RunButton");  // a second Run while running is ignored
        f.Click("AbortButton");
        QVERIFY(WaitFor([&] { return !f.runner.Running(); }, 3000));
        QCOMPARE(f.state.Run.ProgramRunning.load(), 0u);
        QVERIFY(WaitFor([&] { return f.state.Run.DisplayRefresh.load() == 0; }, 1000));
        const QString line = f.Text("Line1");
        QVERIFY(line == "2" || line == "3" || line == "4");
        QVERIFY(f.Text("CLoop").startsWith(QStringLiteral("0")));
    }

    void steppingWithTheDebugControls() {
        Fixture f;
        QVERIFY(f.Load(kMarks));
        f.Toggle("ProgramDebug");
        QCOMPARE(f.state.Run.DebugMode.load(), 1u);
        f.Click("RunButton");
        QVERIFY(WaitFor([&] { return f.runner.WaitingForStep(); }));
        for (int expect = 1; expect <= 3; ++expect) {
            QVERIFY(WaitFor([&] { return f.runner.WaitingForStep(); }));
            f.Click("SingleStep");
            QVERIFY(WaitFor([&] { return f.state.Run.ProgramPointer.load() == expect; }));
        }
        // The status shows the line that executes next.
        QVERIFY(WaitFor([&] { return f.Text("Line1") == "4"; }));
        QCOMPARE(f.Text("Command"), QStringLiteral("set_temp"));
        f.Click("ResetPointer");
        QVERIFY(WaitFor([&] { return f.Text("Line1") == "1"; }));
        // Unchecking the box ends the waiting runner; a new Run starts a fresh one.
        f.Toggle("ProgramDebug");
        QVERIFY(WaitFor([&] { return !f.runner.Running(); }, 2000));
        QCOMPARE(f.Reg(4), 0u);
        f.Click("RunButton");
        QVERIFY(WaitFor([&] { return !f.runner.Running(); }, 2000));
        QCOMPARE(f.Reg(5), 1u);
    }

    void debugChecksWhileAProgramRuns() {
        Fixture f;
        QVERIFY(f.Load(kEndless));
        f.Click("RunButton");
        QVERIFY(WaitFor([&] { return f.Reg(1) > 3; }));
        f.Toggle("ProgramDebug");  // the running runner goes on step by step
        QVERIFY(WaitFor([&] { return f.runner.WaitingForStep(); }));
        const uint32_t before = f.Reg(1);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(WaitFor([&] { return f.runner.WaitingForStep(); }));
            f.Click("SingleStep");
        }
        QVERIFY(WaitFor([&] { return f.Reg(1) > before; }));
        f.Click("AbortButton");
        f.Click("SingleStep");
        f.Toggle("ProgramDebug");
        QVERIFY(WaitFor([&] { return !f.runner.Running(); }, 3000));
        QCOMPARE(f.state.Run.ProgramRunning.load(), 0u);
        QVERIFY(!f.state.SystemBusy());
    }

    void breakpointDialogStopsTheRun() {
        Fixture f;
        QVERIFY(f.Load(kMarks));
        f.Toggle("Breakpoints");
        TBreakpointDialog* dialog = f.controller->BreakpointDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Breakpoint Dialog"));
        QCOMPARE(dialog->findChild<QLineEdit*>("IDC_BREAKPOINT1")->text(), QStringLiteral("0"));
        QVERIFY(dialog->findChild<QLabel*>("BrkPnt6"));
        dialog->findChild<QLineEdit*>("IDC_BREAKPOINT2")->setText(QStringLiteral("4"));
        QTest::mouseClick(dialog->findChild<QPushButton*>("UpdateButton"), Qt::LeftButton);
        QCOMPARE(f.state.Run.BreakpointLines[2].load(), 4u);
        QCOMPARE(f.state.Run.BreakpointsEnabled.load(), 1u);

        f.Click("RunButton");
        QVERIFY(WaitFor([&] { return !f.runner.Running(); }, 3000));
        QCOMPARE(f.Reg(3), 1u);
        QCOMPARE(f.Reg(4), 0u);
        // The runner ticked "Prog. Debug"; its handling put the pointer back to line 1.
        QVERIFY(WaitFor([&] { return f.main.Control<QCheckBox>("ProgramDebug")->isChecked(); }));
        QCOMPARE(f.state.Run.ProgramPointer.load(), 0);
        QCOMPARE(f.state.Run.ProgramRunning.load(), 1u);
        f.Toggle("ProgramDebug");
        QCOMPARE(f.state.Run.ProgramRunning.load(), 0u);

        // Closing the dialog clears the box and the breakpoints; the values stay.
        dialog->close();
        QVERIFY(WaitFor([&] { return !f.main.Control<QCheckBox>("Breakpoints")->isChecked(); }));
        QCOMPARE(f.state.Run.BreakpointsEnabled.load(), 0u);
        f.Toggle("Breakpoints");
        QCOMPARE(f.controller->BreakpointDialog()->findChild<QLineEdit*>("IDC_BREAKPOINT2")->text(),
                 QStringLiteral("4"));
    }
};

QTEST_MAIN(RunControlsTest)
#include "RunControlsTest.moc"
