// The "Motion Plot" window in the whole program on the demo network: its menu item follows the
// network, it records a real run of the AxisBoard scan (motors and encoder channels), draws one
// line per series, exports CSV and PNG, pauses and clears, and never sends on the line.
#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "DemoNetwork.h"
#include "core/app/LoadProgramFile.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/runner/MotionPlotWindow.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::AppFixture;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::StartDemoNetwork;
using vendra::ui::test::WaitFor;

class MotionPlotWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void recordsARunAndExportsIt() {
        AppFixture f;
        QVERIFY(f.WriteDefaultConfig());
        std::string error;
        auto sim = StartDemoNetwork(f.dir.path(), 4, error);
        QVERIFY2(sim, error.c_str());

        QAction* open = f.main.MenuAction("MotionPlot1");
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("Motion Plot"));
        f.main.MainTimerTimer();
        QVERIFY(!open->isEnabled());  // no units yet

        DialogAnswerer answers;
        QVERIFY(f.StartUp(answers));
        QVERIFY(WaitFor([&] { return open->isEnabled(); }, 1000));

        open->trigger();
        auto* plot = f.main.findChild<TMotionPlot*>(QStringLiteral("MotionPlot"));
        QVERIFY(plot);
        QVERIFY(plot->isVisible());
        QCOMPARE(plot->windowTitle(), QStringLiteral("Motion Plot"));

        // Idle: the window looks, records nothing and sends nothing.
        const size_t framesBefore = sim->ReceivedFrames().size();
        QTest::qWait(350);
        QCOMPARE(sim->ReceivedFrames().size(), framesBefore);
        QCOMPARE(plot->Sampler().Trace().SampleCount(), size_t(0));
        QCOMPARE(plot->findChild<QLabel*>(QStringLiteral("PlotStatus"))->text(),
                 QStringLiteral("No motor has moved and no encoder has reported yet."));

        QVERIFY(LoadProgramFromPath(f.state, f.op,
                                    std::string(VENDRA_EXAMPLES_DIR) + "/axis_scan.def") == 1);
        QVERIFY(WaitFor([&] { return f.main.Control<QPushButton>("RunButton")->isEnabled(); }));
        QTest::mouseClick(f.main.Control<QPushButton>("RunButton"), Qt::LeftButton);
        QVERIFY(WaitFor(
            [&] {
                return f.state.Run.ProgramRunning.load() == 0 && !f.core.RunnerWorker.Running();
            },
            60000));
        QTest::qWait(250);  // the sample after the run's end

        const MotionTrace& trace = plot->Sampler().Trace();
        QStringList names;
        for (size_t i = 0; i < trace.SeriesCount(); ++i)
            names << QString::fromStdString(trace.SeriesName(i));
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(sorted, (QStringList{"Q0 ch 0", "Q0 ch 1", "X1 axis X", "X1 axis Y"}));
        QVERIFY(trace.SampleCount() >= 5);

        // One legend entry per series, named like it, over a line with points.
        PlotCanvas* view = plot->View();
        QCOMPARE(view->SeriesNames(), names);
        for (size_t i = 0; i < view->SeriesCount(); ++i) QVERIFY(view->Line(i).size() > 1);

        // The last sample is the state at the end of the run.
        const size_t last = trace.SampleCount() - 1;
        auto lastValue = [&](const char* name) {
            int32_t v = INT32_MIN;
            trace.Value(static_cast<size_t>(names.indexOf(QLatin1String(name))), last, v);
            return v;
        };
        QCOMPARE(lastValue("X1 axis X"), f.state.Boards.MotorAxis[1][AxisX].Position.load());
        QCOMPARE(lastValue("X1 axis Y"), 2000);
        QCOMPARE(lastValue("Q0 ch 1"), f.state.Boards.Qe[0][1].Count.load());

        // CSV: a header with the legend's names, one row per sample, one cell per series.
        const QString csv = f.dir.filePath("plot.csv");
        plot->AskCsvFileName = [&] { return csv; };
        QTest::mouseClick(plot->findChild<QPushButton*>(QStringLiteral("ExportCsvButton")),
                          Qt::LeftButton);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = file.readAll().split('\n');
        QCOMPARE(rows.first(), ("time_s," + names.join(',') + "\r").toLatin1());
        QCOMPARE(size_t(rows.size()), trace.SampleCount() + 2);  // header, rows, "" after the last
        QCOMPARE(rows[rows.size() - 2].count(','), names.size());

        const QString png = f.dir.filePath("plot.png");
        plot->AskPngFileName = [&] { return png; };
        QTest::mouseClick(plot->findChild<QPushButton*>(QStringLiteral("SavePngButton")),
                          Qt::LeftButton);
        QImage picture(png);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), view->size() * view->devicePixelRatio());
        // The lines are in the picture, in their colours: the last drawn lies on top.
        const size_t top = view->SeriesCount() - 1;
        QCOMPARE(picture.pixelColor(view->Line(top).back() * view->devicePixelRatio()),
                 view->SeriesColour(top));

        // Pause holds the record still; Clear empties it and keeps the series.
        auto* pause = plot->findChild<QPushButton*>(QStringLiteral("PauseButton"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        f.state.Run.ProgramRunning = 1;  // as if a run went on
        const size_t held = trace.SampleCount();
        QTest::qWait(250);
        QCOMPARE(trace.SampleCount(), held);
        QTest::mouseClick(plot->findChild<QPushButton*>(QStringLiteral("ClearButton")),
                          Qt::LeftButton);
        QCOMPARE(trace.SampleCount(), size_t(0));
        QCOMPARE(trace.SeriesCount(), size_t(names.size()));
        for (size_t i = 0; i < view->SeriesCount(); ++i) QCOMPARE(view->Line(i).size(), size_t(0));
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(WaitFor([&] { return trace.SampleCount() > 0; }, 1000));
        f.state.Run.ProgramRunning = 0;
    }
};

QTEST_MAIN(MotionPlotWindowTest)
#include "MotionPlotWindowTest.moc"
