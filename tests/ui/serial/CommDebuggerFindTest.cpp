// Finding things in the communications debugger window: the filter row (typed like an operator
// types, lines arriving meanwhile, cleared), time stamps, Export CSV of the lines shown, and the
// double click that shows the program line a frame was sent from.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "core/program/CommDebugSource.h"
#include "core/program/ProgramFile.h"
#include "core/serial/CommDebugLog.h"
#include "support/ScriptedOperator.h"
#include "ui/serial/CommDebugController.h"
#include "ui/serial/CommDebugListModel.h"
#include "ui/serial/CommunicationsDebugger.h"

using namespace vendra;
using namespace vendra::ui;

class CommDebuggerFindTest : public QObject {
    Q_OBJECT

    struct Rig {
        SystemState state;
        test::ScriptedOperator op;
        CommDebugLog log{CommDebugLogStateOf(state)};
        QCheckBox box;
        CommDebugController controller{state, op, log,
                                       [this](std::string_view line) {
                                           return CommDebugSourceLine(
                                               state.Program, state.App.ProgramLoaded.load() == 1,
                                               line);
                                       },
                                       nullptr};
        TCommunicationsDebugger* w = nullptr;
        Rig() {
            state.Serial.PortOpen = 1;
            state.Serial.CurrentBaud = 57600;
            controller.Attach(&box);
            box.setChecked(true);
            w = controller.Window();
        }
        QStringList Rows() {
            w->Model()->Sync();
            QStringList rows;
            for (int i = 0; i < w->Model()->rowCount(); ++i)
                rows << w->Model()->index(i).data().toString();
            return rows;
        }
        template <class T>
        T* Get(const char* name) {
            return w->findChild<T*>(name);
        }
        void Type(const char* field, const char* text) {
            QTest::keyClicks(Get<QLineEdit>(field), text);
        }
        // The filter is applied a moment after the last key.
        bool RowsBecome(const QStringList& expected) {
            return QTest::qWaitFor([&] { return Rows() == expected; }, 2000);
        }
        void DoubleClick(int row) {
            QListView* list = w->List();
            const QModelIndex index = w->Model()->index(row);
            const QPoint at = list->visualRect(index).center();
            // As a mouse does it: the first click, then the second one as a double click.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
    };

  private slots:
    void filterShowsMatchingLinesWithTheirNumbers() {
        Rig rig;
        rig.log.LogSentFrame(5, "D3A1000\r");
        rig.log.LogReceivedText("D3>");
        rig.log.LogSentFrame(6, "X1A100,Y1A200\r");
        rig.log.LogReceivedText("x1>");
        rig.log.LogDiscarded("H1>\r");
        rig.log.LogSentFrame(7, "U2v0\r");
        QCOMPARE(rig.Rows().size(), 6);

        rig.Type("FilterText", "d3");
        QVERIFY(rig.RowsBecome({"->5/0 - D3A1000", "<-1 - D3>"}));
        QCOMPARE(rig.Get<QLabel>("FilterCount")->text(), QString("2 of 6 lines"));

        // Lines arriving while the filter is set: only the matching ones, the newest selected.
        rig.log.LogSentFrame(8, "D3\r");
        rig.log.LogReceivedText("U2>");
        QCOMPARE(rig.Rows(), QStringList({"->5/0 - D3A1000", "<-1 - D3>", "->8/6 - D3"}));
        QCOMPARE(rig.w->List()->currentIndex().row(), 2);
        QCOMPARE(rig.Get<QLabel>("FilterCount")->text(), QString("3 of 8 lines"));

        // Direction and unit, with the text: combined.
        rig.Get<QComboBox>("FilterDirection")->setCurrentIndex(2);  // Received
        QCOMPARE(rig.Rows(), QStringList({"<-1 - D3>"}));
        rig.Get<QLineEdit>("FilterText")->clear();
        rig.Type("FilterUnit", "x1");
        QVERIFY(rig.RowsBecome({"<-3 - x1>"}));
        rig.Get<QLineEdit>("FilterUnit")->clear();
        rig.Type("FilterUnit", "h");
        QVERIFY(rig.RowsBecome({"<-4 - discarded: H1>\\r"}));
        rig.Get<QComboBox>("FilterDirection")->setCurrentIndex(1);  // Sent
        QCOMPARE(rig.Rows(), QStringList());
        rig.Get<QLineEdit>("FilterUnit")->clear();
        rig.Type("FilterUnit", "3");  // not a family letter: refused as typed
        QCOMPARE(rig.Get<QLineEdit>("FilterUnit")->text(), QString());

        // Cleared: every line again, no count.
        QTest::mouseClick(rig.Get<QPushButton>("ClearFilterButton"), Qt::LeftButton);
        QCOMPARE(rig.Rows().size(), 8);
        QCOMPARE(rig.Get<QComboBox>("FilterDirection")->currentIndex(), 0);
        QCOMPARE(rig.Get<QLabel>("FilterCount")->text(), QString());

        // Clear Screen empties the list with the filter still set.
        rig.Type("FilterText", "u2");
        QVERIFY(rig.RowsBecome({"->7/5 - U2v0", "<-7 - U2>"}));
        QTest::mouseClick(rig.Get<QPushButton>("ClearScreenButton"), Qt::LeftButton);
        QCOMPARE(rig.Rows(), QStringList());
        rig.log.LogSentFrame(1, "U2A5\r");
        rig.log.LogSentFrame(1, "D3A5\r");
        QCOMPARE(rig.Rows(), QStringList({"->1/0 - U2A5"}));
    }

    void timeStampsAndExportOfTheLinesShown() {
        Rig rig;
        QTemporaryDir dir;
        rig.log.LogSentFrame(5, "D3A1000\r");
        QTest::qWait(3);
        rig.log.LogReceivedText("D3>");
        rig.log.LogSentFrame(6, "X1A100,Y1A200\r");

        QTest::mouseClick(rig.Get<QCheckBox>("TimeStampsBox"), Qt::LeftButton);
        const QStringList rows = rig.Rows();
        QCOMPARE(rows[0], QString("0.000 ms  ->5/0 - D3A1000"));
        const QRegularExpression stamped("^(\\d+\\.\\d{3}) ms  <-1 - D3>$");
        const QRegularExpressionMatch m = stamped.match(rows[1]);
        QVERIFY2(m.hasMatch(), qPrintable(rows[1]));
        QVERIFY(m.captured(1).toDouble() >= 3.0);

        // The export writes the lines shown: here the sent frames, with their times.
        rig.Get<QComboBox>("FilterDirection")->setCurrentIndex(1);
        const QString path = dir.filePath("debug.csv");
        rig.w->AskCsvFileName = [&] { return path; };
        QTest::mouseClick(rig.Get<QPushButton>("ExportCsvButton"), Qt::LeftButton);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4);  // header, two rows, "" after the last CR LF
        QCOMPARE(lines[0], QByteArray("number,direction,program_line,time_ms,frame\r"));
        QCOMPARE(lines[1], QByteArray("0,sent,5,0.000,D3A1000\r"));
        QVERIFY2(QRegularExpression("^2,sent,6,\\d+\\.\\d{3},\"X1A100,Y1A200\"\r$")
                     .match(QString::fromLatin1(lines[2]))
                     .hasMatch(),
                 lines[2].constData());
        f.close();

        // Time stamps off: no time, no time column; no filter: every line.
        QTest::mouseClick(rig.Get<QCheckBox>("TimeStampsBox"), Qt::LeftButton);
        QTest::mouseClick(rig.Get<QPushButton>("ClearFilterButton"), Qt::LeftButton);
        QCOMPARE(rig.Rows()[1], QString("<-1 - D3>"));
        QTest::mouseClick(rig.Get<QPushButton>("ExportCsvButton"), Qt::LeftButton);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("number,direction,program_line,frame\r\n"
                                         "0,sent,5,D3A1000\r\n"
                                         "1,received,,D3>\r\n"
                                         "2,sent,6,\"X1A100,Y1A200\"\r\n"));

        rig.w->AskCsvFileName = [&] { return dir.path(); };  // a folder: the operator is told
        QTest::mouseClick(rig.Get<QPushButton>("ExportCsvButton"), Qt::LeftButton);
        QCOMPARE(int(rig.op.Boxes().size()), 1);
        QVERIFY(rig.op.Boxes()[0].text.find("is a folder") != std::string::npos);
    }

    void doubleClickShowsTheLineThatSentTheFrame() {
        Rig rig;
        const char text[] =
            "DBoard,3,\"A1000\"      ;move out\r\n"
            "delay,100      ;wait\r\n"
            "end_program      ;End of Program\r\n";
        std::FILE* f = fmemopen(const_cast<char*>(text), sizeof text - 1, "r");
        LoadReport report;
        QCOMPARE(LoadProgram(rig.state.Program, rig.state.Labels, f, report), 1);
        std::fclose(f);
        rig.state.App.ProgramLoaded = 1;
        rig.log.LogSentFrame(1, "D3A1000\r");
        rig.log.LogReceivedText("D3>");
        rig.log.LogSentFrame(2, "D3\r");
        rig.w->resize(500, 400);
        QCOMPARE(rig.Rows().size(), 3);
        QLabel* status = rig.Get<QLabel>("StatusLine");

        rig.DoubleClick(2);
        QCOMPARE(status->text(), QString("0002 - delay,100      ;wait"));
        rig.DoubleClick(1);
        QCOMPARE(status->text(), QString("Replies and discarded bytes carry no program line."));

        // Filtered, a row still leads to its own line of the log.
        rig.Get<QComboBox>("FilterDirection")->setCurrentIndex(1);
        QCOMPARE(rig.Rows(), QStringList({"->1/0 - D3A1000", "->2/2 - D3"}));
        rig.DoubleClick(1);
        QCOMPARE(status->text(), QString("0002 - delay,100      ;wait"));
        rig.DoubleClick(0);
        QCOMPARE(status->text(), QString("0001 - DBoard,3,\"A1000\"      ;move out"));
    }
};

QTEST_MAIN(CommDebuggerFindTest)
#include "CommDebuggerFindTest.moc"
