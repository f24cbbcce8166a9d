#include "ui/app/BoardSelectDialogs.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app/ModalDialog.h"
#include "ui/app/RadioGroup.h"

namespace vendra::ui {

ChoiceDialog::ChoiceDialog(const QString& className, const QString& caption,
                           const QString& groupName, const QString& groupCaption,
                           const QStringList& items, int columns, QWidget* parent)
    : QDialog(parent) {
    setObjectName(className);
    setWindowTitle(caption);
    group_ = new RadioGroup(groupCaption, items, columns, this);
    group_->setObjectName(groupName);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitCaption(*this, *group_);
}

int ChoiceDialog::SelectedIndex() const {
    return group_->ItemIndex();
}

void ChoiceDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        group_->SetItemIndex(initial_);
    }
}

TBoardSelectType::TBoardSelectType(QWidget* parent)
    : ChoiceDialog(QStringLiteral("TBoardSelectType"), QStringLiteral("Please Select Board"),
                   QStringLiteral("BoardType"), QStringLiteral("Board Type"),
                   {"DBoard", "UBoard", "HBoard", "W AXIS", "X AXIS", "Y AXIS", "Z AXIS", "QBoard"},
                   2, parent) {}

namespace {
QStringList AddressItems() {
    QStringList items;
    for (int i = 0; i < 16; ++i) items << QStringLiteral("Board #%1").arg(i);
    return items;
}

bool AskChoice(ChoiceDialog& dialog, uint8_t& value) {
    dialog.SetInitialIndex(value);
    if (ExecModal(dialog) != QDialog::Accepted) return false;
    const int index = dialog.SelectedIndex();
    if (index < 0) return false;  // nothing was selected: nothing to store
    value = static_cast<uint8_t>(index);
    return true;
}
}  // namespace

TBoardAdressSelect::TBoardAdressSelect(QWidget* parent)
    : ChoiceDialog(QStringLiteral("TBoardAdressSelect"),
                   QStringLiteral("Please Select Board Address"), QStringLiteral("BoardAddress"),
                   QStringLiteral("Board Address"), AddressItems(), 4, parent) {}

bool AskBoardTypeDialog(QWidget* parent, uint8_t& value) {
    TBoardSelectType dialog(parent);
    return AskChoice(dialog, value);
}

bool AskBoardAddressDialog(QWidget* parent, uint8_t& value) {
    TBoardAdressSelect dialog(parent);
    return AskChoice(dialog, value);
}

}  // namespace vendra::ui
