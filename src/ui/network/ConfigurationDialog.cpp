#include "ui/network/ConfigurationDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/network/ConfigFile.h"
#include "ui/app/ModalDialog.h"

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
}  // namespace

TConfiguration::TConfiguration(SystemState& state, Actions actions, QWidget* parent)
    : QDialog(parent), state_(state), actions_(std::move(actions)) {
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

    auto* groups = new QHBoxLayout;
    groups->addWidget(comm, 0, Qt::AlignTop);
    groups->addWidget(screen, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
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
    device_->setText(actions_.DeviceForPort ? actions_.DeviceForPort(port) : QString());
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
    accept();
    if (c.CommPortNumber.load() != portAtActivation_ && actions_.StartNetworkInitialisation)
        actions_.StartNetworkInitialisation();
}

}  // namespace vendra::ui
