// The whole program on the demo network, as `make run` starts it: start-up and network scan, then
// every example program loaded and run with the "Run Program" button to its end_program line,
// the operator's questions answered as they come. Motors run faster than in the demo.
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "DemoNetwork.h"
#include "core/app/LoadProgramFile.h"
#include "core/program/CommandTable.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::StartDemoNetwork;
using vendra::ui::test::WaitFor;

class ExamplesOnDemoTest : public QObject {
    Q_OBJECT
  private slots:
    void examplesRunToTheirEnd() {
        AppFixture f;
        QVERIFY(f.WriteDefaultConfig());
        std::string error;
        auto sim = StartDemoNetwork(f.dir.path(), 40, error);
        QVERIFY2(sim, error.c_str());

        DialogAnswerer answers;
        QVERIFY(f.StartUp(answers));

        struct Example {
            const char* file;
            std::vector<int> buttons;
        } const kExamples[] = {
            {"three_motors.def", {}},
            {"pick_and_place.def", {}},
            {"axis_scan.def", {}},
            // OK; Yes (run a cycle); OK (part present); Yes (home); Cancel (home switch);
            // [the cycle count]; Ignore (go on); OK (user_wait); No (quit).
            {"operator_dialogs.def",
             {mb::IdOk, mb::IdYes, mb::IdOk, mb::IdYes, mb::IdCancel, -1, mb::IdIgnore, mb::IdOk,
              mb::IdNo}},
        };
        for (const Example& example : kExamples) {
            QVERIFY(LoadProgramFromPath(
                        f.state, f.op, std::string(VENDRA_EXAMPLES_DIR) + "/" + example.file) == 1);
            for (int b : example.buttons) {
                if (b >= 0) {
                    answers.QueueMessageBoxButton(b);
                } else {
                    answers.Queue([](QDialog& d) {
                        static_cast<QInputDialog&>(d).setTextValue(QStringLiteral("3"));
                        d.accept();
                    });
                }
            }
            QVERIFY(WaitFor([&] { return f.main.Control<QPushButton>("RunButton")->isEnabled(); }));
            QTest::mouseClick(f.main.Control<QPushButton>("RunButton"), Qt::LeftButton);
            QVERIFY2(WaitFor(
                         [&] {
                             return f.state.Run.ProgramRunning.load() == 0 &&
                                    !f.core.RunnerWorker.Running();
                         },
                         60000),
                     example.file);
            const ProgramLine& last = f.state.Program.Lines[f.state.Run.ProgramPointer.load()];
            QVERIFY2(last.Command == CmdEndProgram, example.file);
            QCOMPARE(answers.Pending(), 0);
            QVERIFY2(answers.Unexpected().isEmpty(), qPrintable(answers.Unexpected().join("; ")));
            // The status display caught up with the end of the run.
            QVERIFY(WaitFor([&] { return f.state.Run.DisplayRefresh.load() == 0; }, 1000));
            QVERIFY(!f.main.Control<QLabel>("ProgramTime")->text().isEmpty());
        }
        QVERIFY(QFile::exists(f.dir.filePath("scan_log.csv")));
    }
};

QTEST_MAIN(ExamplesOnDemoTest)
#include "ExamplesOnDemoTest.moc"
