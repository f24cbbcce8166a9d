// The main window while a run is held on a lost line: "System Messages" says the line is lost and
// that the program waits; Abort ends the held run; when the line is back the operator is asked
// whether to resume, and the run goes on from the held line.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "core/app/LoadProgramFile.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunTables.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

namespace {

const char* const kProgram =
    "DBoard,3,\"A4000\"\nwait_DBoard_done,3,\"\";\nset_temp,1,1\nend_program\n";
const QString kHeld = QStringLiteral(
    "Communications Port lost (COM1): the program waits at line 2 for it to come back");

// The program in the scratch folder, its line on a simulated D3 (COM1 there), the program loaded
// and running, and the line gone.
struct LostLineWindow : vendra::ui::test::AppFixture {
    std::unique_ptr<sim::Simulator> sim;

    // `fault` (a vanish fault) takes the line away instead of the loss during the motion wait.
    bool Start(const char* program = kProgram, const char* fault = nullptr) {
        sim = StartSimulator("D3:speed=4000");
        if (!sim || !core.Line.Take(LineUser::MainWindow).Open(1, 57600)) return false;
        ResetRunTables(RunnerStateOf(state));
        state.Units.present[int(UnitGroup::DBoard)][3] = 1;
        state.Units.totalUnits = 1;
        if (fault != nullptr && sim->AddFault(fault) == 0) return false;
        std::FILE* f = fmemopen(const_cast<char*>(program), strlen(program), "r");
        LoadReport report;
        state.App.ProgramLoaded = f && LoadProgram(state, f, report) == 1 ? 1 : 0;
        if (f) std::fclose(f);
        main.MainTimerTimer();
        QTest::mouseClick(main.Control<QPushButton>("RunButton"), Qt::LeftButton);
        if (fault == nullptr) {
            if (!sim->WaitForFrames(3, 3000)) return false;
            sim->VanishLine();
        }
        return WaitFor([&] { return Text("SystemMessages") == kHeld; }, 3000);
    }
    QString Text(const char* name) { return main.Control<QLabel>(name)->text(); }
    ~LostLineWindow() {
        core.RunControls.AbortButtonClick();
        WaitFor([&] { return !core.RunnerWorker.Running(); }, 3000);
    }
};

}  // namespace

class LineLostWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void heldRunEndsWithAbort() {
        LostLineWindow f;
        DialogAnswerer answers;
        QVERIFY(f.Start());
        QVERIFY(f.core.RunnerWorker.Running());
        QCOMPARE(f.state.Run.ProgramRunning.load(), 1u);
        // The window stays usable meanwhile: its timer ticks, nothing is asked.
        QTest::qWait(300);
        QCOMPARE(answers.Texts(), QStringList());
        QTest::mouseClick(f.main.Control<QPushButton>("AbortButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 1000));
        QCOMPARE(f.state.Run.TempRegisters[1].load(), 0u);
        QCOMPARE(answers.Unexpected(), QStringList());
    }

    void heldRunResumesWhenTheOperatorSaysSo() {
        LostLineWindow f;
        DialogAnswerer answers;
        QVERIFY(f.Start());
        answers.QueueMessageBoxButton(mb::IdYes);
        QVERIFY(f.sim->ReturnLine());
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 8000));
        QCOMPARE(answers.Texts(),
                 QStringList{QStringLiteral(
                     "The Communications Port (COM1) is back and every unit answers as before.\n"
                     "The boards' positions may have changed while the line was down.\n\n"
                     "Resume the program at line 2?")});
        QCOMPARE(f.state.Run.TempRegisters[1].load(), 1u);
        QCOMPARE(f.Text("SystemMessages"),
                 QStringLiteral("Communications Port back (COM1): the program goes on at line 2"));
        const std::vector<std::string> frames = f.sim->ReceivedFrames();
        QVERIFY(std::find(frames.begin(), frames.end(), "D3v0\r") != frames.end());
        QCOMPARE(frames.back(), std::string("D3\r"));
    }

    // The line went after the relative move's frame was taken (only its answer was lost): the
    // question says that resuming sends it again; declined, the move went out once.
    void heldRunSaysItsCommandWouldBeSentAgain() {
        LostLineWindow f;
        DialogAnswerer answers;
        QVERIFY(f.Start("set_temp,2,2\nDBoard,3,\"R+100\"\nset_temp,1,1\nend_program\n",
                        "vanish:match=D3R:once"));
        answers.QueueMessageBoxButton(mb::IdNo);
        QVERIFY(f.sim->ReturnLine());
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 8000));
        QCOMPARE(answers.Texts(),
                 QStringList{QStringLiteral(
                     "The Communications Port (COM1) is back and every unit answers as before.\n"
                     "The boards' positions may have changed while the line was down.\n"
                     "Resuming repeats a command: line 2's command reached the line before it "
                     "was lost and will be sent again.\n\n"
                     "Resume the program at line 2?")});
        // The message reaches the window through its event queue.
        QVERIFY(WaitFor(
            [&] {
                return f.Text("SystemMessages") ==
                       QStringLiteral("The program was ended at line 2 after the line was lost");
            },
            2000));
        const std::vector<std::string> frames = f.sim->ReceivedFrames();
        QCOMPARE(int(std::count(frames.begin(), frames.end(), std::string("D3R+100\r"))), 1);
        QCOMPARE(f.state.Run.TempRegisters[1].load(), 0u);
    }
};

QTEST_MAIN(LineLostWindowTest)
#include "LineLostWindowTest.moc"
