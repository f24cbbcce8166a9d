// TConfiguration's serial devices: the rows shown and how they follow plugging, binding the chosen
// one on OK (and not on Cancel), and the label saying which device the port opens, why, and what
// to do about a device the user may not open. The devices come from a made-up enumeration; which
// device the user may open is asked of an injected check, since root may open anything.
#include <grp.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <cerrno>
#include <set>

#include "support/DialogAnswerer.h"
#include "ui/app/ModalDialog.h"
#include "ui/network/ConfigurationDialog.h"

using namespace vendra;
using namespace vendra::ui;
using vendra::ui::test::DialogAnswerer;

namespace {

const std::string kFtdi = "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0";
const std::string kProlific = "/dev/serial/by-id/usb-Prolific_PL2303-if00-port0";

FoundSerialDevice Usb(const std::string& kernel, const std::string& link, const char* maker,
                      const char* product, const char* serial) {
    return {"/dev/" + kernel, kernel, {link}, true, "", maker, product, serial};
}
const FoundSerialDevice kUart{"/dev/ttyS0", "ttyS0", {}, true, "4", "", "", ""};

class FakeEnumerator : public SerialDeviceEnumerator {
  public:
    std::vector<FoundSerialDevice> devices;
    bool Enumerate(std::vector<FoundSerialDevice>& out, std::string&) override {
        out = devices;
        return true;
    }
};

// A pipe stands for udev's socket: a byte written to it is a device plugged in or out.
class FakeMonitor : public SerialDeviceMonitor {
  public:
    int fds[2] = {-1, -1};
    FakeMonitor() { (void)!::pipe(fds); }
    ~FakeMonitor() override {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int Descriptor() const override { return fds[0]; }
    bool TakeChanges() override {
        char byte;
        return ::read(fds[0], &byte, 1) == 1;
    }
    void Fire() const { (void)!::write(fds[1], "x", 1); }
};

struct Fixture {
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    SystemState state;
    std::shared_ptr<FakeEnumerator> devices = std::make_shared<FakeEnumerator>();
    FakeMonitor* monitor = nullptr;  // owned by the dialog while it is open
    bool withMonitor = true;
    std::set<std::string> denied;
    int restarts = 0;

    Fixture() {
        QDir::setCurrent(dir.path());
        devices->devices = {Usb("ttyUSB0", kFtdi, "FTDI", "FT232R USB UART", "A1"), kUart};
    }
    ~Fixture() { QDir::setCurrent(previousDir); }

    int Run(std::function<void(QDialog&)> answer) {
        TConfiguration::Actions a;
        a.StartNetworkInitialisation = [this] { ++restarts; };
        a.Enumerator = devices;
        if (withMonitor)
            a.MakeMonitor = [this] {
                auto m = std::make_unique<FakeMonitor>();
                monitor = m.get();
                return std::unique_ptr<SerialDeviceMonitor>(std::move(m));
            };
        a.AccessError = [this](const std::string& path) { return denied.count(path) ? EACCES : 0; };
        DialogAnswerer answerer;
        answerer.Queue(std::move(answer));
        TConfiguration dialog(state, std::move(a));
        return ExecModal(dialog);
    }
    QByteArray PortsFile() const {
        QFile f(dir.filePath("Ports.cfg"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

QTreeWidget* Table(QDialog& d) {
    return d.findChild<QTreeWidget*>("SerialDevices");
}
QStringList Rows(QDialog& d) {
    QStringList rows;
    QTreeWidget* t = Table(d);
    for (int i = 0; i < t->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < t->columnCount(); ++c) cells << t->topLevelItem(i)->text(c);
        rows << cells.join('|');
    }
    return rows;
}
void Choose(QDialog& d, const std::string& path) {
    QTreeWidget* t = Table(d);
    for (int i = 0; i < t->topLevelItemCount(); ++i)
        if (t->topLevelItem(i)->text(0).toStdString() == path)
            t->setCurrentItem(t->topLevelItem(i));
}
QString Reason(QDialog& d) {
    return d.findChild<QLabel*>("PortDeviceReason")->text();
}

}  // namespace

class ConfigurationDevicesTest : public QObject {
    Q_OBJECT
  private slots:
    void rowsFollowPluggingThroughTheMonitor() {
        Fixture f;
        f.denied = {"/dev/ttyS0"};
        QStringList before, after;
        bool refreshButton = true;
        bool choiceKept = true;
        f.Run([&](QDialog& d) {
            before = Rows(d);
            refreshButton = d.findChild<QPushButton*>("RefreshDevices") != nullptr;
            Choose(d, kFtdi);
            // The FTDI adapter is pulled, a Prolific one plugged in.
            f.devices->devices = {kUart, Usb("ttyUSB1", kProlific, "Prolific", "USB-Serial", "")};
            f.monitor->Fire();
            QTRY_COMPARE(Rows(d).size(), 2);
            QTRY_VERIFY(Rows(d).join(',').contains("ttyUSB1"));
            after = Rows(d);
            choiceKept = !Table(d)->selectedItems().isEmpty();
            test::ClickButton(d, "OKButton");
        });
        QCOMPARE(before, QStringList({"/dev/ttyS0|ttyS0||||no permission",
                                      QString::fromStdString(kFtdi) +
                                          "|ttyUSB0|FTDI|FT232R USB UART|A1|"}));
        QCOMPARE(after, QStringList({"/dev/ttyS0|ttyS0||||no permission",
                                     QString::fromStdString(kProlific) +
                                         "|ttyUSB1|Prolific|USB-Serial||"}));
        QVERIFY(!refreshButton);
        // The chosen adapter went away: nothing is chosen, nothing bound.
        QVERIFY(!choiceKept);
        QCOMPARE(f.PortsFile(), QByteArray("<missing>"));
    }

    void withoutMonitorRefreshListsAgain() {
        Fixture f;
        f.withMonitor = false;
        QStringList after;
        f.Run([&](QDialog& d) {
            f.devices->devices = {kUart};
            test::ClickButton(d, "RefreshDevices");
            after = Rows(d);
            test::ClickButton(d, "CancelButton");
        });
        QCOMPARE(after, QStringList({"/dev/ttyS0|ttyS0||||"}));
    }

    // What OK and Cancel leave in Ports.cfg, and whether the port is opened again.
    void okBindsTheChosenDeviceCancelBindsNothing() {
        const struct {
            const char* name;
            QByteArray portsBefore;  // empty: no file
            bool comLink;            // COM3 in the folder wins over any binding
            const char* button;
            QByteArray portsAfter;
            int restarts;
        } cases[] = {
            {"cancel", "", false, "CancelButton", "<missing>", 0},
            {"ok", "", false, "OKButton", "3 /dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\n", 1},
            {"ok keeps other ports", "1 /dev/ttyUSB9\r\n3 /dev/ttyUSB8\n", false, "OKButton",
             "1 /dev/ttyUSB9\n3 /dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\n", 1},
            {"ok, already bound", "3 /dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\r\n", false,
             "OKButton", "3 /dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\r\n", 0},
            {"ok, a link wins", "", true, "OKButton", "<missing>", 0},
        };
        for (const auto& c : cases) {
            Fixture f;
            f.state.Config.CommPortNumber = 3;
            if (!c.portsBefore.isEmpty()) {
                QFile file(f.dir.filePath("Ports.cfg"));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(c.portsBefore);
            }
            if (c.comLink) QVERIFY(QFile::link("/dev/ttyUSB5", f.dir.filePath("COM3")));
            f.Run([&](QDialog& d) {
                Choose(d, kFtdi);
                test::ClickButton(d, c.button);
            });
            QCOMPARE(f.PortsFile(), c.portsAfter);
            QVERIFY2(f.restarts == c.restarts, c.name);
        }
    }

    // The label for a COM link, a binding, the system's port, a pending choice, and a device the
    // user may not open.
    void labelSaysWhichDeviceThePortOpensAndWhy() {
        const std::string adapter = "adapter";
        const struct {
            int port;
            std::string choose;
            bool denyAdapter;
            QString reason;
        } cases[] = {
            {4, "", false, "Port 4 opens COM4: COM4 in the working folder"},
            {2, "", false, "Port 2 opens /dev/ttyUSB9: port 2 is bound to it in Ports.cfg"},
            {2, kFtdi, false,
             QString::fromStdString("Port 2 opens " + kFtdi +
                                    ": port 2 is bound to it in Ports.cfg on OK")},
            {5, "", false,
             "Port 5 opens /dev/ttyS4: port 5's system device: no COM5 in the working folder "
             "and no binding in Ports.cfg"},
            {4, "", true,
             "Port 4 opens COM4: COM4 in the working folder\nCOM4: permission denied; the user "
             "must be in the group that owns the device (%1), e.g. sudo usermod -aG %1 $USER, "
             "then log in again"},
        };
        for (const auto& c : cases) {
            Fixture f;
            f.state.Config.CommPortNumber = c.port;
            QFile file(f.dir.filePath(QString::fromStdString(adapter)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            // The adapter's group is the one to join: dialout where the test may give it away
            // (root), else the user's own.
            const struct group* dialout = ::getgrnam("dialout");
            const bool given =
                dialout != nullptr &&
                ::chown(QFile::encodeName(file.fileName()).constData(), -1, dialout->gr_gid) == 0;
            const QString group = given ? QStringLiteral("dialout")
                                        : QString::fromLocal8Bit(::getgrgid(::getegid())->gr_name);
            QVERIFY(QFile::link(QStringLiteral("adapter"), f.dir.filePath("COM4")));
            QFile ports(f.dir.filePath("Ports.cfg"));
            QVERIFY(ports.open(QIODevice::WriteOnly));
            ports.write("2 /dev/ttyUSB9\n");
            ports.close();
            if (c.denyAdapter) f.denied = {"COM4"};
            QString reason;
            f.Run([&](QDialog& d) {
                if (!c.choose.empty()) Choose(d, c.choose);
                reason = Reason(d);
                test::ClickButton(d, "CancelButton");
            });
            QCOMPARE(reason, c.denyAdapter ? c.reason.arg(group) : c.reason);
        }
    }
};

QTEST_MAIN(ConfigurationDevicesTest)
#include "ConfigurationDevicesTest.moc"
