// QtOperator: questions asked on a worker run on the GUI thread and block the worker until
// answered; notifications reach the main window in order; Shutdown releases waiting workers.
#include <QAction>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "core/app/Core.h"
#include "support/DialogAnswerer.h"
#include "ui/app/BoardSelectDialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QtOperator.h"
#include "ui/app/RadioGroup.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;
using vendra::ui::test::WaitFor;

class QtOperatorTest : public QObject {
    Q_OBJECT
  private slots:
    void questionFromWorkerBlocksUntilAnsweredOnGuiThread() {
        QtOperator op;
        DialogAnswerer answerer;
        bool onGui = false;
        QString text;
        answerer.Queue([&](QDialog& d) {
            onGui = QThread::currentThread() == qApp->thread();
            text = static_cast<QMessageBox&>(d).text();
            static_cast<QMessageBox&>(d).button(QMessageBox::Yes)->click();
        });
        std::atomic<int> answer{-1};
        std::thread worker([&] { answer = op.ShowMessageBox("Proceed?", "VDWin Message", 0x34); });
        // The worker waits while the GUI thread has not run the box.
        QThread::msleep(50);
        QCOMPARE(answer.load(), -1);
        QVERIFY(WaitFor([&] { return answer.load() != -1; }));
        worker.join();
        QCOMPARE(answer.load(), mb::IdYes);
        QVERIFY(onGui);
        QCOMPARE(text, QStringLiteral("Proceed?"));
    }

    void boardQuestionsFromWorker() {
        QtOperator op;
        DialogAnswerer answerer;
        answerer.Queue([](QDialog& d) {
            d.findChild<RadioGroup*>("BoardType")->Item(7)->click();
            test::ClickButton(d, "OKButton");
        });
        answerer.Queue([](QDialog& d) { test::ClickButton(d, "CancelButton"); });
        std::atomic<bool> done{false};
        bool typeOk = false, addressOk = true;
        uint8_t family = 0, address = 5;
        std::thread worker([&] {
            typeOk = op.AskBoardType(family);
            addressOk = op.AskBoardAddress(address);
            done = true;
        });
        QVERIFY(WaitFor([&] { return done.load(); }));
        worker.join();
        QVERIFY(typeOk);
        QCOMPARE(family, uint8_t(7));
        QVERIFY(!addressOk);
        QCOMPARE(address, uint8_t(5));
    }

    void userValueRefusesNonNumbers() {
        QtOperator op;
        DialogAnswerer answerer;
        auto type = [](const char* text) {
            return [text](QDialog& d) {
                auto& input = static_cast<QInputDialog&>(d);
                input.setTextValue(QLatin1String(text));
                input.accept();
            };
        };
        answerer.Queue(type("12x"));         // refused, asked again
        answerer.Queue(type("4294967296"));  // too big, asked again
        answerer.Queue(type(" 4000000000 "));
        uint32_t value = 7;
        QVERIFY(op.AskUserValue("Value?", value));
        QCOMPARE(value, 4000000000u);
        QCOMPARE(answerer.Pending(), 0);
    }

    void notificationsFromWorkerReachWindowInOrder() {
        QtOperator op;
        Core core(op);
        SystemState& state = core.State;
        TMain main(core, op);
        std::thread worker([&] {
            for (int i = 0; i <= 5; ++i) op.SetUnitCount(UnitGroup::QBoard, std::to_string(i));
            op.SetUnitIndicator(UnitGroup::DBoard, 3, UnitIndicator::Marked);
            op.SetUnitIndicator(UnitGroup::DBoard, 4, UnitIndicator::Disabled);
            op.SetMenuEnabled(MenuItem::AxisInformation, false);
            op.SetSystemMessage("first");
            op.SetSystemMessage("Initialization Complete .....");
            op.SetCheckBox(CheckBox::TimeStamp, true);
            op.SetProgress(40);
        });
        worker.join();
        // Nothing is applied on the worker's thread.
        QCOMPARE(main.UnitCountLabel(UnitGroup::QBoard)->text(), QString());
        QVERIFY(WaitFor([&] { return state.Serial.TimeStampFrames.load() == 1; }));
        QCOMPARE(main.UnitCountLabel(UnitGroup::QBoard)->text(), QStringLiteral("5"));
        QVERIFY(main.UnitIndicatorButton(UnitGroup::DBoard, 3)->isChecked());
        QVERIFY(!main.UnitIndicatorButton(UnitGroup::DBoard, 4)->isEnabled());
        QVERIFY(!main.MenuAction("AxisInformation1")->isEnabled());
        QCOMPARE(main.Control<QLabel>("SystemMessages")->text(),
                 QStringLiteral("Initialization Complete ....."));
        QVERIFY(main.Control<QCheckBox>("TimeStamp")->isChecked());
        QCOMPARE(main.Control<QProgressBar>("MainBarProgress")->value(), 40);
    }

    void shutdownReleasesWaitingWorker() {
        QtOperator op;
        DialogAnswerer answerer;  // no answers queued: any box shown would be "unexpected"
        std::atomic<int> answer{-1};
        std::thread worker([&] { answer = op.ShowMessageBox("Continue?", "T", mb::YesNo); });
        QThread::msleep(30);  // the worker is now waiting; the GUI thread has not run the box
        op.Shutdown();
        worker.join();
        QCOMPARE(answer.load(), mb::IdNo);
        // The queued question, run now, shows nothing; later questions return at once.
        QCoreApplication::processEvents();
        QCOMPARE(answerer.Titles(), QStringList());
        std::thread late([&] { answer = op.ShowMessageBox("Again?", "T", mb::OkCancel); });
        late.join();
        QCOMPARE(answer.load(), mb::IdCancel);
    }

    void processEventsOnlyOnGuiThread() {
        QtOperator op;
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        std::thread worker([&] { op.ProcessEvents(); });
        worker.join();
        QVERIFY(!ran);
        op.ProcessEvents();
        QVERIFY(ran);
    }

    void stateChangedArrivesOnGuiThreadCoalesced() {
        QtOperator op;
        QSignalSpy spy(&op, &QtOperator::CoreStateChanged);
        std::thread worker([&] {
            for (int i = 0; i < 1000; ++i) op.StateChanged();
        });
        worker.join();
        QVERIFY(WaitFor([&] { return spy.count() > 0; }));
        QCoreApplication::processEvents();
        QVERIFY(spy.count() >= 1);
        QVERIFY(spy.count() < 1000);
        op.StateChanged();  // on the GUI thread: at once
        QCOMPARE(spy.count() >= 2, true);
    }
};

QTEST_MAIN(QtOperatorTest)
#include "QtOperatorTest.moc"
