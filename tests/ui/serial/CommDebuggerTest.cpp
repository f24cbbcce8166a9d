// The communications debugger window: the check box switch, line formats and bold sent frames,
// Clear Screen, Save to File, Print and a million-line list.
#include <unistd.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <thread>

#include "core/serial/CommDebugLog.h"
#include "support/PrintedListing.h"
#include "support/ScriptedOperator.h"
#include "ui/serial/CommDebugController.h"
#include "ui/serial/CommDebugListModel.h"
#include "ui/serial/CommunicationsDebugger.h"

using namespace vendra;
using namespace vendra::ui;

class CommDebuggerTest : public QObject {
    Q_OBJECT

    struct Rig {
        SystemState state;
        vendra::test::ScriptedOperator op;
        CommDebugLog log{CommDebugLogStateOf(state)};
        QCheckBox box;
        CommDebugController controller{state, op, log, {}, nullptr};
        Rig() {
            state.Serial.PortOpen = 1;
            state.Serial.CurrentBaud = 57600;
            box.setObjectName("CommDebug");
            controller.Attach(&box);
        }
        TCommunicationsDebugger* Open() {
            box.setChecked(true);
            return controller.Window();
        }
        QStringList Rows() {
            auto* w = controller.Window();
            w->Model()->Sync();
            QStringList rows;
            for (int i = 0; i < w->Model()->rowCount(); ++i)
                rows << w->Model()->index(i).data().toString();
            return rows;
        }
        QPushButton* Button(const char* name) {
            return controller.Window()->findChild<QPushButton*>(name);
        }
    };

  private slots:
    void checkBoxOpensAndClosesTheWindow() {
        Rig rig;
        rig.state.Serial.PortOpen = 0;
        rig.box.setChecked(true);
        QVERIFY(!rig.controller.Window());
        QVERIFY(!rig.box.isChecked());  // refused without a line: the box shows it
        QCOMPARE(rig.state.CommDebug.CommDebugEnabled.load(), 0u);

        rig.state.Serial.PortOpen = 1;
        TCommunicationsDebugger* w = rig.Open();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Communications Debugger"));
        QVERIFY(w->findChild<QListView*>("IDC_BOTH_COMM"));
        QStringList legend;
        for (QLabel* l : w->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (l->objectName() != "StatusLine") legend << l->text();  // the filter row has its own
        QCOMPARE(legend, QStringList({"->Host", "/", "<-Board"}));
        QCOMPARE(rig.Button("PrintButton")->text(), QString("Print"));
        QCOMPARE(rig.Button("ClearScreenButton")->text(), QString("Clear Screen"));
        QCOMPARE(rig.Button("SaveToFileButton")->text(), QString("Save to File"));
        QCOMPARE(rig.state.CommDebug.CommDebugWindowReady.load(), 1u);

        rig.box.setChecked(false);
        QVERIFY(!rig.controller.Window());
        QCOMPARE(rig.state.CommDebug.CommDebugWindowOpen.load(), 0u);
        QCOMPARE(rig.state.CommDebug.CommDebugWindowReady.load(), 0u);
    }

    void linesNumberingAndBoldSentFrames() {
        Rig rig;
        rig.Open();
        rig.log.LogSentFrame(5, "D0A100\r");
        rig.log.LogReceivedText("d0>");
        QCOMPARE(rig.Rows(), QStringList({"->5/0 - D0A100", "<-1 - d0>"}));
        QListView* list = rig.controller.Window()->List();
        QCOMPARE(list->currentIndex().row(), 1);  // the newest line is selected

        // The delegate draws a sent frame in bold and a reply in the regular style.
        auto render = [&](int row) {
            QStyleOptionViewItem opt;
            opt.initFrom(list);
            opt.rect = QRect(0, 0, 300, CommDebugItemDelegate::ItemHeight(opt.font));
            QImage img(opt.rect.size(), QImage::Format_RGB32);
            QPainter p(&img);
            list->itemDelegate()->paint(&p, opt, rig.controller.Window()->Model()->index(row));
            return std::make_pair(img, opt);
        };
        auto expected = [](const QStyleOptionViewItem& opt, const QString& text, bool bold) {
            QImage img(opt.rect.size(), QImage::Format_RGB32);
            QPainter p(&img);
            p.fillRect(opt.rect, opt.palette.base());
            QFont f = opt.font;
            f.setBold(bold);
            p.setFont(f);
            p.setPen(opt.palette.text().color());
            p.drawText(opt.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
            return img;
        };
        auto [sent, opt] = render(0);
        QCOMPARE(sent, expected(opt, "->5/0 - D0A100", true));
        QVERIFY(sent != expected(opt, "->5/0 - D0A100", false));
        auto [reply, opt2] = render(1);
        QCOMPARE(reply, expected(opt2, "<-1 - d0>", false));
    }

    void clearScreenRefusedDuringARun() {
        Rig rig;
        rig.Open();
        rig.log.LogSentFrame(1, "D0\r");
        rig.state.Run.ProgramRunning = 1;
        rig.Button("ClearScreenButton")->click();
        QCOMPARE(rig.Rows().size(), 1);
        rig.state.Run.ProgramRunning = 0;
        rig.Button("ClearScreenButton")->click();
        QCOMPARE(rig.Rows().size(), 0);
        rig.log.LogSentFrame(1, "D1\r");
        QCOMPARE(rig.Rows(), QStringList({"->1/0 - D1"}));
    }

    void saveToFileWritesCrLf() {
        Rig rig;
        QTemporaryDir dir;
        QString path = dir.filePath("log.txt");
        TCommunicationsDebugger* w = rig.Open();
        int asked = 0;
        w->AskSaveFileName = [&] {
            ++asked;
            return path;
        };
        rig.log.LogSentFrame(2, "X1A5\r");
        rig.log.LogReceivedText("x1>");
        rig.state.Run.ProgramRunning = 1;
        rig.Button("SaveToFileButton")->click();
        QCOMPARE(asked, 0);
        rig.state.Run.ProgramRunning = 0;
        rig.Button("SaveToFileButton")->click();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("->2/0 - X1A5\r\n<-1 - x1>\r\n"));
        w->AskSaveFileName = [&] { return dir.filePath("no/such/dir/log.txt"); };
        rig.Button("SaveToFileButton")->click();
        QCOMPARE(int(rig.op.Boxes().size()), 1);
        QCOMPARE(rig.op.Boxes()[0].title, std::string("VDWin Error Message"));
    }

    void printHandsTheLogInPagesWhileNothingRuns() {
        Rig rig;
        TCommunicationsDebugger* w = rig.Open();
        vendra::ui::test::PrintedListing printed;
        printed.Attach(w->Printing);
        for (int i = 0; i < 200; ++i) rig.log.LogSentFrame(i, "D0A100\r");  // three pages
        rig.state.Run.ProgramRunning = 1;
        rig.Button("PrintButton")->click();
        QCOMPARE(printed.calls, 0);
        rig.state.Run.ProgramRunning = 0;
        rig.Button("PrintButton")->click();
        QCOMPARE(printed.calls, 1);
        QCOMPARE(printed.docName, QStringLiteral("Communications Debugger"));
        QCOMPARE(printed.rowsPerPage, 81u);
        QCOMPARE(printed.pages, (std::vector<uint32_t>{81, 81, 38}));
        QCOMPARE(printed.lines, rig.Rows());
    }

    // A million lines logged from a worker while the window shows them: total time, how long the
    // GUI thread ever went without running its event loop, and the memory per line.
    void millionLinesStayFastAndResponsive() {
        Rig rig;
        TCommunicationsDebugger* w = rig.Open();
        w->resize(500, 400);
        constexpr size_t kLines = 1000000;
        const long rssBefore = ResidentBytes();
        QElapsedTimer total, gap;
        qint64 worstGap = 0;
        QTimer probe;
        gap.start();
        connect(&probe, &QTimer::timeout, [&] { worstGap = std::max(worstGap, gap.restart()); });
        probe.start(5);
        total.start();
        std::thread writer([&] {
            for (size_t i = 0; i < kLines / 2; ++i) {
                rig.log.LogSentFrame(static_cast<int>(i % 1000), "D3A1000\r");
                rig.log.LogReceivedText("d3>");
            }
        });
        while (w->Model()->rowCount() < int(kLines)) QTest::qWait(5);
        qint64 ms = total.elapsed();
        writer.join();
        probe.stop();
        QTest::qWait(50);  // let the view settle before the memory is read
        double bytesPerLine = double(rig.log.StorageBytes()) / kLines;
        double rssPerLine = double(ResidentBytes() - rssBefore) / kLines;
        std::printf(
            "debugger_1M_lines_ms: %lld\ndebugger_worst_event_gap_ms: %lld\n"
            "debugger_storage_bytes_per_line: %.1f\ndebugger_rss_bytes_per_line: %.1f\n",
            (long long)ms, (long long)worstGap, bytesPerLine, rssPerLine);
        QCOMPARE(w->List()->currentIndex().row(), int(kLines) - 1);
        QElapsedTimer shown;
        shown.start();
        QListView* list = w->List();
        QTRY_VERIFY_WITH_TIMEOUT(
            list->viewport()->rect().contains(list->visualRect(list->currentIndex())), 5000);
        std::printf("debugger_scrolled_to_newest_ms: %lld\n", (long long)shown.elapsed());
        QCOMPARE(w->Model()->index(int(kLines) - 1).data().toString(), QString("<-999999 - d3>"));
        QVERIFY(bytesPerLine < 200);
        if (kSlowFactor() == 1) QVERIFY(rssPerLine < 200);  // sanitizers keep freed memory
        QVERIFY2(ms < 2000 * kSlowFactor(), qPrintable(QString::number(ms)));
        QVERIFY2(worstGap < 250 * kSlowFactor(), qPrintable(QString::number(worstGap)));
    }

  private:
    static long ResidentBytes() {
        long pages = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> pages >> resident;
        return resident * sysconf(_SC_PAGESIZE);
    }
    // Sanitizer builds run several times slower; the figures that matter come from the release
    // build.
    static int kSlowFactor() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return 5;
#else
        return 1;
#endif
    }
};

QTEST_MAIN(CommDebuggerTest)
#include "CommDebuggerTest.moc"
