// TConfiguration: loading on activation, the port list, OK and Cancel.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "core/network/ConfigFile.h"
#include "support/DialogAnswerer.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"
#include "ui/network/ConfigurationDialog.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    SystemState state;
    QtOperator op;
    int writes = 0, restarts = 0;

    Fixture() { QDir::setCurrent(dir.path()); }
    ~Fixture() { QDir::setCurrent(previousDir); }

    TConfiguration::Actions Actions() {
        TConfiguration::Actions a;
        a.WriteConfiguration = [this] {
            ++writes;
            return WriteConfiguration(state.Config, op);
        };
        a.StartNetworkInitialisation = [this] { ++restarts; };
        return a;
    }
    // Opens the dialog; `answer` acts as the operator.
    int Run(std::function<void(QDialog&)> answer) {
        DialogAnswerer answerer;
        answerer.Queue(std::move(answer));
        TConfiguration dialog(state, Actions());
        return ExecModal(dialog);
    }
    QByteArray File() const {
        QFile f(dir.filePath("Config.cfg"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

QLineEdit* Edit(QDialog& d, const char* name) {
    return d.findChild<QLineEdit*>(name);
}
QComboBox* Port(QDialog& d) {
    return d.findChild<QComboBox*>("CommPort");
}

}  // namespace

class ConfigurationDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void activationShowsTheValuesAndCancelWritesNothing() {
        Fixture f;
        f.state.Config.CommPortNumber = 7;
        f.state.Config.ReplyTimeout = -5;
        f.state.Config.InitTimeout = 61;
        int selected = -1;
        QStringList texts;
        QString device;
        f.Run([&](QDialog& d) {
            selected = Port(d)->currentIndex();
            for (const char* name : {"Timeout", "InitTimeout", "MainWindowTime", "TXDdelay",
                                     "TempWinTime", "EncoderWinTime"})
                texts << Edit(d, name)->text();
            device = d.findChild<QLabel*>("CommDevice")->text();
            test::ClickButton(d, "CancelButton");
        });
        QCOMPARE(selected, 6);
        QCOMPARE(texts, QStringList({"-5", "61", "200", "0", "250", "250"}));
        QCOMPARE(device, QStringLiteral("/dev/ttyS6"));
        QCOMPARE(f.File(), QByteArray("<missing>"));
        QCOMPARE(f.state.Config.CommPortNumber.load(), 7);  // loading the list changed nothing
    }

    void okStoresValuesAndWritesWithoutRestartWhenPortKept() {
        Fixture f;
        const int result = f.Run([](QDialog& d) {
            Edit(d, "Timeout")->setText("250");
            Edit(d, "InitTimeout")->setText("  90ms");
            Edit(d, "MainWindowTime")->setText("abc");
            Edit(d, "TXDdelay")->setText("-3");
            Edit(d, "TempWinTime")->setText("+40");
            Edit(d, "EncoderWinTime")->setText("");
            test::ClickButton(d, "OKButton");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(f.state.Config.ReplyTimeout.load(), 250);
        QCOMPARE(f.state.Config.InitTimeout.load(), 90);
        QCOMPARE(f.state.Config.MainWindowTime.load(), 0);
        QCOMPARE(f.state.Config.TXDdelay.load(), -3);
        QCOMPARE(f.state.Config.TempWinTime.load(), 40);
        QCOMPARE(f.state.Config.EncoderWinTime.load(), 0);
        QCOMPARE(f.writes, 1);
        QCOMPARE(f.restarts, 0);
        QCOMPARE(f.File(), QByteArray("1\r\n250\r\n0\r\n40\r\n4294967293\r\n0\r\n90\r\n"));
    }

    void portChangeActsAtOnceCancelKeepsItOkRestarts() {
        Fixture f;
        QString device;
        f.Run([&](QDialog& d) {
            QTest::keyClick(Port(d), Qt::Key_Down);  // the operator picks "Comm Port 2"
            device = d.findChild<QLabel*>("CommDevice")->text();
            QCOMPARE(f.state.Config.CommPortNumber.load(), 2);  // at once
            test::ClickButton(d, "CancelButton");
        });
        QCOMPARE(device, QStringLiteral("/dev/ttyS1"));
        QCOMPARE(f.state.Config.CommPortNumber.load(), 2);  // Cancel does not undo it
        QCOMPARE(f.writes, 0);
        QCOMPARE(f.restarts, 0);

        // Next time the dialog starts at port 2; choosing 5 and OK writes and restarts.
        f.Run([&](QDialog& d) {
            QCOMPARE(Port(d)->currentIndex(), 1);
            Port(d)->setCurrentIndex(4);
            test::ClickButton(d, "OKButton");
        });
        QCOMPARE(f.state.Config.CommPortNumber.load(), 5);
        QCOMPARE(f.writes, 1);
        QCOMPARE(f.restarts, 1);
        QVERIFY(f.File().startsWith("5\r\n"));
    }

    void noCommDisablesThePortList() {
        Fixture f;
        f.state.Serial.CurrentBaud = 0;
        bool enabled = true;
        f.Run([&](QDialog& d) {
            enabled = Port(d)->isEnabled();
            Edit(d, "Timeout")->setText("99");
            test::ClickButton(d, "OKButton");
        });
        QVERIFY(!enabled);
        QCOMPARE(f.state.Config.ReplyTimeout.load(), 99);  // other values still saved
        QCOMPARE(f.writes, 1);
        QCOMPARE(f.restarts, 0);
    }
};

QTEST_MAIN(ConfigurationDialogTest)
#include "ConfigurationDialogTest.moc"
