// The monitoring and test tools in the real window against the simulator: "Serial Network Test"
// with its dialogs, progress and Abort; the encoder display and the temporary-register display
// while a program runs on the runner thread. With VENDRA_SHOTS set to a folder, the tests save
// pictures of the windows there.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/app/LoadProgramFile.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/QeReading.h"
#include "core/runner/RunControl.h"
#include "core/runner/RunTables.h"
#include "core/runner/Runner.h"
#include "sim/Simulator.h"
#include "support/AppFixture.h"
#include "support/DialogAnswerer.h"
#include "ui/app/RadioGroup.h"
#include "ui/tools/EncoderDisplay.h"
#include "ui/tools/TempRegisterDisplay.h"
#include "ui/tools/TestLengthDialog.h"
#include "ui/tools/ToolsController.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::ClickButton;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

namespace {

// The program (window not shown, so no start-up runs) with the line open on a simulated network
// whose units count as present.
struct Fixture : vendra::ui::test::AppFixture {
    std::unique_ptr<sim::Simulator> sim;
    ToolsController* tools = main.findChild<ToolsController*>(QStringLiteral("ToolsController"));

    Fixture() { ResetRunTables(RunnerStateOf(state)); }
    ~Fixture() {
        core.RunControls.AbortButtonClick();
        core.RunControls.AbortButtonClick();
        WaitFor([&] { return !core.RunnerWorker.Running() && !core.CommTestWorker.Running(); });
    }

    bool Connect(const char* units, const std::vector<std::string>& faults = {}) {
        sim::Options options;
        options.defaultSpeed = 0;
        options.faults = faults;
        sim = StartSimulator(units, options);
        if (!sim) return false;
        for (const auto& unit : options.units)
            state.Units.present[static_cast<int>(unit.family)][unit.address] = 1;
        return core.Line.Take(LineUser::MainWindow).OpenDevice(sim->SlavePath(), options.boardBaud);
    }
    bool Load(const char* text) {
        std::FILE* f = fmemopen(const_cast<char*>(text), std::strlen(text), "r");
        LoadReport report;
        const bool ok = f && LoadProgram(state, f, report) == 1;
        if (f) std::fclose(f);
        state.App.ProgramLoaded = ok ? 1 : 0;
        return ok;
    }
    void Toggle(const char* name) {
        QTest::mouseClick(main.Control<QCheckBox>(name), Qt::LeftButton);
    }
    QProgressBar* Bar() { return main.Control<QProgressBar>("MainBarProgress"); }
    QString BarCaption() { return main.Control<QGroupBox>("MainBarGraph")->title(); }
};

// Picks item `index` of the dialog's radio group `group` and presses OK.
DialogAnswerer::Answer Choose(const char* group, int index) {
    return [group, index](QDialog& d) {
        auto* radio = d.findChild<RadioGroup*>(QLatin1String(group));
        QVERIFY2(radio != nullptr, group);
        radio->SetItemIndex(index);
        ClickButton(d, "OKButton");
    };
}

void Shot(QWidget& w, const char* name) {
    const QByteArray folder = qgetenv("VENDRA_SHOTS");
    if (!folder.isEmpty()) w.grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

const char* const kReadQBoard3 = "label,\"top\"\nqboard,3,\"p1\"\ndelay,5\nloop,top\n";
const char* const kSetTemp5 = "set_temp,5,42\nend_program\n";

}  // namespace

class ToolsTest : public QObject {
    Q_OBJECT
  private slots:
    void testLengthDialogGivesTheStepsOfTheChosenItem() {
        const uint32_t steps[] = {16250, 32500, 48750, 65000, 3000000};
        for (int item = 0; item < 5; ++item) {
            DialogAnswerer answers;
            answers.Queue([item](QDialog& d) {
                QCOMPARE(d.objectName(), QStringLiteral("TTestLength"));
                auto* radio = d.findChild<RadioGroup*>(QStringLiteral("ChooseRadioGroup"));
                QVERIFY(radio != nullptr);
                QCOMPARE(radio->ItemIndex(), 0);  // the first item on activation
                QCOMPARE(radio->Count(), 5);
                radio->SetItemIndex(item);
                ClickButton(d, "OKButton");
            });
            QCOMPARE(AskTestLengthDialog(nullptr), steps[item]);
            QCOMPARE(answers.Titles(), QStringList{QStringLiteral("Test Length")});
        }
        DialogAnswerer answers;
        answers.Queue([](QDialog& d) {
            const QStringList texts = {"Quick Test", "Medium Test", "Long Test", "Very Long Test",
                                       "Extremely Long Test"};
            auto* radio = d.findChild<RadioGroup*>(QStringLiteral("ChooseRadioGroup"));
            for (int i = 0; i < texts.size(); ++i) QCOMPARE(radio->Item(i)->text(), texts[i]);
            radio->SetItemIndex(4);
            ClickButton(d, "CancelButton");
        });
        QCOMPARE(AskTestLengthDialog(nullptr), 0u);
    }

    void serialNetworkTestFromTheMenuShowsProgressAndAbortEndsIt() {
        Fixture f;
        QVERIFY(f.Connect("D3,Q0", {"late:match=D3A100:ms=500:once"}));
        f.state.Config.ReplyTimeout = 3000;
        QVERIFY(f.Load(kSetTemp5));
        auto* run = f.main.Control<QPushButton>("RunButton");
        auto* commDebug = f.main.Control<QCheckBox>("CommDebug");
        f.main.MainTimerTimer();
        QVERIFY(run->isEnabled());
        QVERIFY(commDebug->isEnabled());

        DialogAnswerer answers;
        answers.Queue(Choose("BoardType", 0));         // DBoard
        answers.Queue(Choose("BoardAddress", 3));      // Board #3
        answers.Queue(Choose("ChooseRadioGroup", 0));  // Quick Test
        f.main.MenuAction("SerialNetworkTest1")->trigger();
        QVERIFY(!run->isEnabled());
        QVERIFY(!commDebug->isEnabled());  // unticked: it stays off during the test
        f.main.MenuAction("SerialNetworkTest1")->trigger();  // a second start is refused quietly

        QVERIFY(WaitFor([&] { return f.sim->ReceivedFrames().size() >= 201; }, 30000));
        QVERIFY(WaitFor([&] { return f.Bar()->value() == 100; }, 2000));
        QCOMPARE(f.BarCaption(), QStringLiteral("Communication Test Progress"));
        QCOMPARE(f.Bar()->maximum(), 16250);
        QVERIFY(!run->isEnabled());  // the status display leaves it alone meanwhile
        Shot(f.main, "commtest-progress");

        QTest::mouseClick(f.main.Control<QPushButton>("AbortButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return !f.core.CommTestWorker.Running(); }, 5000));
        QVERIFY(WaitFor([&] { return f.BarCaption().isEmpty() && run->isEnabled(); }, 2000));
        QCOMPARE(f.Bar()->maximum(), 100);
        QCOMPARE(f.Bar()->value(), 0);
        QVERIFY(commDebug->isEnabled());
        const auto frames = f.sim->ReceivedFrames();
        QCOMPARE(frames.size(), size_t(205));
        QCOMPARE(frames[200], std::string("D3A100\r"));
        QCOMPARE(frames[202], std::string("D3A16250\r"));
        QCOMPARE(frames[203], std::string("D3m\r"));
        QCOMPARE(frames[204], std::string("D3A0\r"));
        QVERIFY(answers.Unexpected().isEmpty());
        QCOMPARE(answers.Pending(), 0);
    }

    // The test leaves "Comm. Debug" usable while it is ticked, whether or not it logs: after
    // disable_comm_debug the box is still ticked and must stay enabled.
    void serialNetworkTestFollowsTheCommDebugTick() {
        Fixture f;
        QVERIFY(f.Connect("D3,Q0", {"late:match=D3A100:ms=500:once"}));
        f.state.Serial.CurrentBaud = 57600;
        f.state.Config.ReplyTimeout = 3000;
        auto* commDebug = f.main.Control<QCheckBox>("CommDebug");
        f.Toggle("CommDebug");
        QVERIFY(commDebug->isChecked());
        QVERIFY(f.Load("disable_comm_debug\nend_program\n"));
        f.core.RunControls.RunButtonClick();
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 3000));
        QCOMPARE(f.state.CommDebug.CommDebugEnabled.load(), 0u);
        QVERIFY(commDebug->isChecked());

        DialogAnswerer answers;
        answers.Queue(Choose("BoardType", 0));
        answers.Queue(Choose("BoardAddress", 3));
        answers.Queue(Choose("ChooseRadioGroup", 0));
        const size_t before = f.sim->ReceivedFrames().size();
        f.main.MenuAction("SerialNetworkTest1")->trigger();
        // Step 100's set command is on its way: the test runs.
        QVERIFY(WaitFor([&] { return f.sim->ReceivedFrames().size() >= before + 201; }, 30000));
        QVERIFY(f.core.CommTestWorker.Running());
        QVERIFY(commDebug->isEnabled());
        QTest::mouseClick(f.main.Control<QPushButton>("AbortButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return !f.core.CommTestWorker.Running(); }, 5000));
        QVERIFY(commDebug->isEnabled() && commDebug->isChecked());
        QVERIFY(answers.Unexpected().isEmpty());
    }

    void encoderDisplayShowsReadingsWhileAProgramRuns() {
        Fixture f;
        QVERIFY(f.Connect("D3,Q3"));
        QVERIFY(f.sim->SetEncoderCount(3, 1, 777));
        QVERIFY(f.Load(kReadQBoard3));  // loading resets the channels: first
        for (auto& unit : f.state.Boards.Qe)
            for (auto& channel : unit) channel.Text.Set("stale");
        f.Toggle("DispEncoders");
        TEncoders* window = f.tools->EncoderWindow();
        QVERIFY(window != nullptr && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Encoder Display"));
        for (int k = 1; k <= 32; ++k) {
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("EncLabel%1").arg(k))->text(),
                     QStringLiteral("Enc %1").arg(k));
            QCOMPARE(window->Field(k)->text(), QStringLiteral("0"));
        }
        window->EncoderTimerTimer();
        for (int k = 1; k <= 32; ++k) QCOMPARE(window->Field(k)->text(), QStringLiteral("0"));

        // A reading filed for QBoard unit 5, which is not on the network, shows NA.
        QeDataLogger logger(f.state.Run);
        FileQeReading(QeReadingStateOf(f.state), &logger, 5, QeReadingMode::OneChannel, 0, "12");
        f.core.RunControls.RunButtonClick();
        QVERIFY(WaitFor([&] { return window->Field(8)->text() == "777"; }, 3000));
        QCOMPARE(window->Field(11)->text(), QStringLiteral("NA"));
        QCOMPARE(window->Field(7)->text(), QStringLiteral("0"));
        Shot(*window, "encoder-display");

        // The configured interval applies from the next tick.
        f.state.Config.EncoderWinTime = 1000;
        window->EncoderTimerTimer();
        QCOMPARE(window->EncoderTimer()->interval(), 1000);
        f.core.RunControls.AbortButtonClick();
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 3000));

        // The title bar's close only hides it; unticking the box destroys it.
        window->close();
        QVERIFY(f.tools->EncoderWindow() == window && !window->isVisible());
        QVERIFY(f.main.Control<QCheckBox>("DispEncoders")->isChecked());
        f.Toggle("DispEncoders");
        QVERIFY(f.tools->EncoderWindow() == nullptr);
    }

    void registerDisplayRedrawsChangedRegistersOnly() {
        Fixture f;
        QVERIFY(f.Load(kSetTemp5));  // loading resets the registers: first
        f.state.Config.TempWinTime = 1000;
        f.state.Run.TempRegisters[3] = 7;
        f.Toggle("DisplayTempReg");
        TTempRegisterDisplay* window = f.tools->TempRegisterWindow();
        QVERIFY(window != nullptr && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Temporary Register Display"));
        QVERIFY(window->TempTimer()->isActive());
        QCOMPARE(window->TempTimer()->interval(), 1000);
        for (int n = 0; n < 74; ++n) QCOMPARE(f.state.Run.TempRegisterChanged[n].load(), 1u);
        window->TempTimerTimer();
        for (int n = 1; n <= 40; ++n) {
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("TempLabel%1").arg(n))->text(),
                     QStringLiteral("Temp #%1").arg(n));
            QCOMPARE(window->Field(n)->text(), n == 3 ? QStringLiteral("7") : QStringLiteral("0"));
        }
        // Register 3 never changes again: its field is not drawn again (a mark put in it stays).
        window->Field(3)->setText(QStringLiteral("mark"));

        // set_temp on the runner thread shows at the next tick.
        f.core.RunControls.RunButtonClick();
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 3000));
        QCOMPARE(f.state.Run.TempRegisters[5].load(), 42u);
        window->TempTimerTimer();
        QCOMPARE(window->Field(5)->text(), QStringLiteral("42"));
        QCOMPARE(window->Field(3)->text(), QStringLiteral("mark"));

        // Register 40 is shown (signed), register 41 is not.
        f.state.Run.TempRegisters[40] = 4294967295u;
        f.state.Run.TempRegisterChanged[40] = 1;
        f.state.Run.TempRegisters[41] = 9;
        f.state.Run.TempRegisterChanged[41] = 1;
        window->TempTimerTimer();
        QCOMPARE(window->Field(40)->text(), QStringLiteral("-1"));
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("Temp41")) == nullptr);
        QCOMPARE(f.state.Run.TempRegisterChanged[41].load(), 1u);
        Shot(*window, "temp-register-display");

        window->close();
        QVERIFY(!window->isVisible() && !window->TempTimer()->isActive());
        QVERIFY(f.main.Control<QCheckBox>("DisplayTempReg")->isChecked());
        f.Toggle("DisplayTempReg");
        QVERIFY(f.tools->TempRegisterWindow() == nullptr);
    }

    void registerDisplayKeepsUpWithARunningProgram() {
        // The runner counts in register 1 while the display's timer reads it: every value the
        // window shows is one the register held, and the last one is shown by the next tick.
        Fixture f;
        f.state.Config.TempWinTime = 10;
        QVERIFY(f.Load("label,\"top\"\ninc_temp,1,1\nloop,top\n"));
        f.Toggle("DisplayTempReg");
        TTempRegisterDisplay* window = f.tools->TempRegisterWindow();
        f.core.RunControls.RunButtonClick();
        QVERIFY(WaitFor([&] { return window->Field(1)->text().toInt() > 1000; }, 5000));
        f.core.RunControls.AbortButtonClick();
        QVERIFY(WaitFor([&] { return !f.core.RunnerWorker.Running(); }, 3000));
        window->TempTimerTimer();
        QCOMPARE(window->Field(1)->text(), QString::number(f.state.Run.TempRegisters[1].load()));
    }
};

QTEST_MAIN(ToolsTest)
#include "ToolsTest.moc"
