#include "ui/app/BaudrateSelectDialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "core/serial/BoardProtocol.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/RadioGroup.h"

namespace vendra::ui {

namespace {
constexpr int kDesignItem = 3;  // "57600"
}  // namespace

uint32_t TBaudrateSelectDialog::BaudForItem(int index) {
    return protocol::BaudForDialogIndex(index);
}

int TBaudrateSelectDialog::ItemForBaud(uint32_t baud) {
    return protocol::BaudDialogIndex(baud);
}

TBaudrateSelectDialog::TBaudrateSelectDialog(SystemState& state, QWidget* parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("TBaudrateSelectDialog"));
    setWindowTitle(QStringLiteral("Baudrate Selection"));
    group_ = new RadioGroup(
        QStringLiteral("Baudrate"),
        {"460800", "230400", "115200", "57600", "38400", "19200", "9600", "No Comm"}, 1, this);
    group_->setObjectName(QStringLiteral("BaudrateRadioGroup"));
    group_->SetItemIndex(kDesignItem);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BaudrateOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TBaudrateSelectDialog::BaudrateOKClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitCaption(*this, *group_);
}

void TBaudrateSelectDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TBaudrateSelectDialog::FormActivate() {
    const int item = ItemForBaud(state_.Serial.CurrentBaud.load());
    if (item >= 0) group_->SetItemIndex(item);  // an unlisted rate keeps the design selection
}

void TBaudrateSelectDialog::BaudrateOKClick() {
    const int item = group_->ItemIndex();
    if (item >= 0) state_.Serial.CurrentBaud = BaudForItem(item);
    accept();
}

}  // namespace vendra::ui
