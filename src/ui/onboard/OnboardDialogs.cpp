#include "ui/onboard/OnboardDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app/ModalDialog.h"

namespace vendra::ui {

namespace {}  // namespace

TfniCOMMAND::TfniCOMMAND(const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfniCOMMAND"));
    setWindowTitle(QStringLiteral("IEEPROM Command"));
    auto* label = new QLabel(QStringLiteral("Command:"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("IDC_ADD_COMMENTS"));
    edit_->setMaxLength(static_cast<int>(kOnboardLineChars));
    edit_->setText(text);
    edit_->setMinimumWidth(420);
    label->setBuddy(edit_);
    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string TfniCOMMAND::Text() const {
    QByteArray bytes = edit_->text().toLatin1();
    return std::string(CutOnboardLine(std::string_view(bytes.constData(), bytes.size())));
}

TfniADDRESS::TfniADDRESS(OnboardProgram& program, Operator& op, QWidget* parent)
    : QDialog(parent), program_(program), op_(op) {
    setObjectName(QStringLiteral("TfniADDRESS"));
    setWindowTitle(QStringLiteral("Please Input IEEPROM Address"));
    label_ =
        new QLabel(QStringLiteral("Address (1-%1)").arg(program_.BoardProgramSize.load()), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("IDC_EDIT9"));
    label_->setBuddy(edit_);
    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &TfniADDRESS::OKButtonClick);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitCaption(*this, *edit_);
}

void TfniADDRESS::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    if (program_.OnboardStartAddress.load() == 0) program_.OnboardStartAddress = 1;
    edit_->setText(QString::number(program_.OnboardStartAddress.load()));
    edit_->selectAll();
    // Connected after the first fill: only the operator's changes are checked.
    connect(edit_, &QLineEdit::textChanged, this, &TfniADDRESS::IDC_EDIT9Change);
}

uint32_t TfniADDRESS::Address() const {
    const QString text = edit_->text().trimmed();
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    // Digits only: "12abc" is no address, and neither is a sign or a blank text.
    for (QChar c : text)
        if (!c.isDigit()) ok = false;
    if (!ok || value == 0 || value > program_.BoardProgramSize.load()) return 0;
    return static_cast<uint32_t>(value);
}

void TfniADDRESS::IDC_EDIT9Change() {
    if (Address() == 0)
        op_.ShowMessageBox("Input is out of range", "Parameter Input Range ERROR", mb::Warning);
}

void TfniADDRESS::OKButtonClick() {
    uint32_t address = Address();
    if (address == 0) {
        op_.ShowMessageBox("Input is out of range", "Parameter Input Range ERROR", mb::Warning);
        edit_->setFocus();
        return;
    }
    program_.OnboardStartAddress = address;
    accept();
}

bool AskOnboardAddress(OnboardProgram& program, Operator& op, QWidget* parent) {
    TfniADDRESS dialog(program, op, parent);
    return ExecModal(dialog) == QDialog::Accepted;
}

bool EditOnboardLine(std::string& text, QWidget* parent) {
    TfniCOMMAND dialog(QString::fromLatin1(text.data(), static_cast<int>(text.size())), parent);
    if (ExecModal(dialog) != QDialog::Accepted) return false;
    text = dialog.Text();
    return true;
}

}  // namespace vendra::ui
