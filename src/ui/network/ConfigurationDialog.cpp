#include "ui/network/ConfigurationDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>

#include "core/network/ConfigFile.h"
#include "core/serial/DeviceAccess.h"
#include "core/serial/PortBindings.h"
#include "core/serial/PortNames.h"
#include "ui/app/ModalDialog.h"
#include "ui/serial/SerialDeviceTable.h"

namespace vendra::ui {

namespace {
constexpr int kPortItems = 30;

QLineEdit* NumberEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setFixedWidth(90);
    return e;
}

// Edits are read the way the file is: atol conventions, no digits give 0, no range check.
int32_t Number(const QLineEdit* edit) {
    return ConfigAtol(edit->text().toLatin1().constData());
}

// A COM<n> link shows where it leads.
QString PathText(const std::string& path) {
    const QString text = QString::fromStdString(path);
    const QFileInfo info(text);
    return info.isSymLink() ? QStringLiteral("%1 -> %2").arg(text, info.symLinkTarget()) : text;
}
}  // namespace

TConfiguration::TConfiguration(SystemState& state, Actions actions, QWidget* parent)
    : QDialog(parent), state_(state), actions_(std::move(actions)) {
    if (!actions_.AccessError) actions_.AccessError = DeviceAccessError;
    setObjectName(QStringLiteral("TConfiguration"));
    setWindowTitle(QStringLiteral("Configuration Dialog"));

    auto* comm = new QGroupBox(QStringLiteral("Comm Settings"), this);
    comm->setObjectName(QStringLiteral("CommSettings"));
    commPort_ = new QComboBox(comm);
    commPort_->setObjectName(QStringLiteral("CommPort"));
    for (int i = 1; i <= kPortItems; ++i) commPort_->addItem(QStringLiteral("Comm Port %1").arg(i));
    device_ = new QLabel(comm);
    device_->setObjectName(QStringLiteral("CommDevice"));
    device_->setTextFormat(Qt::PlainText);
    auto* commForm = new QFormLayout(comm);
    commForm->addRow(QStringLiteral("Com Port"), commPort_);
    commForm->addRow(QStringLiteral("Device"), device_);
    commForm->addRow(QStringLiteral("Timeout"), NumberEdit(comm, "Timeout"));
    commForm->addRow(QStringLiteral("Init Timeout"), NumberEdit(comm, "InitTimeout"));

    auto* screen = new QGroupBox(QStringLiteral("Screen Update Times"), this);
    screen->setObjectName(QStringLiteral("ScreenUpdateTimes"));
    auto* screenForm = new QFormLayout(screen);
    screenForm->addRow(QStringLiteral("Main Win."), NumberEdit(screen, "MainWindowTime"));
    screenForm->addRow(QStringLiteral("TXD Delay"), NumberEdit(screen, "TXDdelay"));
    screenForm->addRow(QStringLiteral("Tmp Win"), NumberEdit(screen, "TempWinTime"));
    screenForm->addRow(QStringLiteral("Enc Win"), NumberEdit(screen, "EncoderWinTime"));

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &TConfiguration::OKButtonClick);
    connect(commPort_, &QComboBox::currentIndexChanged, this, &TConfiguration::CommPortChange);

    auto* serial = new QGroupBox(QStringLiteral("Serial Devices"), this);
    serial->setObjectName(QStringLiteral("SerialDevicesGroup"));
    SerialDeviceTable::Sources sources;
    sources.enumerator = actions_.Enumerator;
    if (actions_.MakeMonitor) sources.monitor = actions_.MakeMonitor();
    sources.accessError = actions_.AccessError;
    devices_ = new SerialDeviceTable(std::move(sources), serial);
    deviceReason_ = new QLabel(serial);
    deviceReason_->setObjectName(QStringLiteral("PortDeviceReason"));
    deviceReason_->setTextFormat(Qt::PlainText);
    deviceReason_->setWordWrap(true);
    auto* serialLayout = new QVBoxLayout(serial);
    serialLayout->addWidget(devices_);
    serialLayout->addWidget(deviceReason_);
    connect(devices_, &SerialDeviceTable::chosenChanged, this, &TConfiguration::ShowDevice);

    auto* groups = new QHBoxLayout;
    groups->addWidget(comm, 0, Qt::AlignTop);
    groups->addWidget(screen, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(serial);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* TConfiguration::Edit(const char* name) const {
    return findChild<QLineEdit*>(QLatin1String(name));
}

void TConfiguration::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TConfiguration::FormActivate() {
    Configuration& c = state_.Config;
    loading_ = true;
    if (state_.Serial.CurrentBaud.load() == 0) {
        commPort_->setEnabled(false);
    } else {
        const int port = c.CommPortNumber.load();
        commPort_->setCurrentIndex(port >= 1 && port <= kPortItems ? port - 1 : -1);
    }
    loading_ = false;
    portAtActivation_ = c.CommPortNumber.load();
    ShowDevice();
    Edit("Timeout")->setText(QString::number(c.ReplyTimeout.load()));
    Edit("InitTimeout")->setText(QString::number(c.InitTimeout.load()));
    Edit("MainWindowTime")->setText(QString::number(c.MainWindowTime.load()));
    Edit("TXDdelay")->setText(QString::number(c.TXDdelay.load()));
    Edit("TempWinTime")->setText(QString::number(c.TempWinTime.load()));
    Edit("EncoderWinTime")->setText(QString::number(c.EncoderWinTime.load()));
}

void TConfiguration::CommPortChange(int index) {
    // Only the operator's choice changes the port; loading the list does not.
    if (loading_ || index < 0) return;
    state_.Config.CommPortNumber = index + 1;
    ShowDevice();
}

void TConfiguration::ShowDevice() {
    const int port = state_.Config.CommPortNumber.load();
    const std::string chosen = devices_->Chosen();
    const PortDevice opens = WithChosenDevice(ResolvePortDevice(port, actions_.Folder), chosen);
    device_->setText(PathText(opens.path));
    std::string why = PortDeviceReason(port, opens);
    if (opens.path == chosen && !chosen.empty()) why += " on OK";
    QString text = opens.path.empty()
                       ? QString::fromStdString(why)
                       : QStringLiteral("Port %1 opens %2: %3")
                             .arg(port)
                             .arg(QString::fromStdString(opens.path), QString::fromStdString(why));
    // Said before OK, so that the group can be joined before the port fails to open.
    if (!opens.path.empty() && actions_.AccessError(opens.path) == EACCES)
        text += QLatin1Char('\n') + QString::fromStdString(DeviceOpenErrorText(opens.path, EACCES));
    deviceReason_->setText(text);
}

// True when the port now opens another device than before.
bool TConfiguration::BindChosenDevice() {
    const std::string chosen = devices_->Chosen();
    const int port = state_.Config.CommPortNumber.load();
    const PortDevice before = ResolvePortDevice(port, actions_.Folder);
    const PortDevice after = WithChosenDevice(before, chosen);
    if (chosen.empty() || after.path != chosen) return false;  // nothing chosen, or a link wins
    std::string bound;
    std::vector<PortBinding> bindings;
    std::string error;
    if (ReadPortBindings(actions_.Folder, bindings, error) && BoundDevice(bindings, port, bound) &&
        bound == chosen)
        return false;  // already bound: the file stays as it is
    if (!BindPort(actions_.Folder, port, chosen, error)) {
        if (actions_.BindFailed) actions_.BindFailed(error);
        return false;
    }
    return before.path != chosen;
}

void TConfiguration::OKButtonClick() {
    Configuration& c = state_.Config;
    c.ReplyTimeout = Number(Edit("Timeout"));
    c.MainWindowTime = Number(Edit("MainWindowTime"));
    c.TempWinTime = Number(Edit("TempWinTime"));
    c.TXDdelay = Number(Edit("TXDdelay"));
    c.EncoderWinTime = Number(Edit("EncoderWinTime"));
    c.InitTimeout = Number(Edit("InitTimeout"));
    if (actions_.WriteConfiguration) actions_.WriteConfiguration();
    const bool otherDevice = BindChosenDevice();
    accept();
    // A newly bound device is opened at once too, as a new port number would be.
    if ((c.CommPortNumber.load() != portAtActivation_ || otherDevice) &&
        actions_.StartNetworkInitialisation)
        actions_.StartNetworkInitialisation();
}

}  // namespace vendra::ui
