// The "Comm. Debug" box of the main window: ticking it opens the debugger on the core's log, a
// double click on a sent frame shows the loaded program's line, and enable_comm_debug from a
// worker thread opens it through the box.
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QtTest>
#include <cstdio>
#include <thread>

#include "core/program/ProgramFile.h"
#include "support/AppFixture.h"
#include "ui/serial/CommDebugListModel.h"
#include "ui/serial/CommunicationsDebugger.h"

using namespace vendra;
using namespace vendra::ui;

class CommDebugMainWindowTest : public QObject {
    Q_OBJECT

    static TCommunicationsDebugger* Debugger(TMain& main) {
        return main.findChild<TCommunicationsDebugger*>();
    }

  private slots:
    void boxOpensTheDebuggerOnTheCoreLog() {
        test::AppFixture app;
        app.state.Serial.PortOpen = 1;
        app.state.Serial.CurrentBaud = 57600;
        auto* box = app.main.Control<QCheckBox>("CommDebug");
        QVERIFY(box);
        box->setChecked(true);
        TCommunicationsDebugger* w = Debugger(app.main);
        QVERIFY(w && w->isVisible());

        app.state.Run.ProgramPointer = 4;
        app.core.Line.Take(LineUser::Runner).Send("D3A100\r");
        w->Model()->Sync();
        QCOMPARE(w->Model()->rowCount(), 1);
        QCOMPARE(w->Model()->index(0).data().toString(), QString("->5/0 - D3A100"));

        box->setChecked(false);
        QVERIFY(!Debugger(app.main));
        QCOMPARE(app.state.CommDebug.CommDebugWindowOpen.load(), 0u);
    }

    void doubleClickShowsTheLoadedProgramsLine() {
        test::AppFixture app;
        app.state.Serial.PortOpen = 1;
        app.state.Serial.CurrentBaud = 57600;
        const char text[] = "no_op      ;first\r\ndelay,100      ;wait\r\n";
        std::FILE* f = fmemopen(const_cast<char*>(text), sizeof text - 1, "r");
        LoadReport report;
        QCOMPARE(LoadProgram(app.state.Program, app.state.Labels, f, report), 1);
        std::fclose(f);
        app.state.App.ProgramLoaded = 1;
        app.main.Control<QCheckBox>("CommDebug")->setChecked(true);
        TCommunicationsDebugger* w = Debugger(app.main);
        QVERIFY(w);
        app.core.CommLog.LogSentFrame(2, "D3\r");
        w->Model()->Sync();
        w->resize(500, 400);
        const QPoint at = w->List()->visualRect(w->Model()->index(0)).center();
        QTest::mouseClick(w->List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w->List()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(w->findChild<QLabel*>("StatusLine")->text(),
                 QString("0002 - delay,100      ;wait"));

        app.state.App.ProgramLoaded = 0;
        QTest::mouseClick(w->List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w->List()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(w->findChild<QLabel*>("StatusLine")->text(),
                 QString("Sent at line 2: no program is loaded."));
    }

    void enableCommDebugFromAWorkerTicksTheBox() {
        test::AppFixture app;
        app.state.Serial.PortOpen = 1;
        app.state.Serial.CurrentBaud = 57600;
        std::thread runner([&] {
            EnableCommDebug(app.op, app.core.CommLog);
            app.core.Line.Take(LineUser::Runner).Send("D3A1\r");
        });
        runner.join();
        QTRY_VERIFY(Debugger(app.main) != nullptr);
        QVERIFY(app.main.Control<QCheckBox>("CommDebug")->isChecked());
        TCommunicationsDebugger* w = Debugger(app.main);
        QTRY_COMPARE(w->Model()->rowCount(), 1);  // logged before the window was up, kept
        QCOMPARE(w->Model()->index(0).data().toString(), QString("->1/0 - D3A1"));
        DisableCommDebug(app.core.CommLog);
        app.core.Line.Take(LineUser::Runner).Send("D3A2\r");
        QCOMPARE(app.core.CommLog.LineCount(), size_t(1));
        QVERIFY(Debugger(app.main));  // the window and its lines stay
    }
};

QTEST_MAIN(CommDebugMainWindowTest)
#include "CommDebugMainWindowTest.moc"
