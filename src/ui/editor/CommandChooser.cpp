#include "ui/editor/CommandChooser.h"

#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/program/CommandTable.h"
#include "ui/app/ModalDialog.h"

namespace vendra::ui {

namespace {
QStringList Keywords() {
    QStringList items;
    for (int code = 0; code < kCommandCount; ++code)
        items << QString::fromLatin1(CommandKeyword(static_cast<uint8_t>(code)));
    return items;
}
}  // namespace

TfnDCommand::TfnDCommand(int preselect, QWidget* parent)
    : TfnDCommand(QStringLiteral("TfnDCommand"), QStringLiteral("Please Select Command"),
                  Keywords(), preselect, QSize(285, 93), parent) {}

TfnDCommand::TfnDCommand(const QString& className, const QString& caption, const QStringList& items,
                         int preselect, QSize client, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(className);
    setWindowTitle(caption);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("IDC_COMBOBOX1"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setMaxVisibleItems(16);
    combo_->addItems(items);
    // Keywords are case-sensitive: completing "delay" from "Delay" would choose another text.
    combo_->completer()->setCaseSensitivity(Qt::CaseSensitive);
    combo_->setCurrentIndex(preselect >= 0 && preselect < items.size() ? preselect : -1);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(combo_);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumSize(client);
    FitCaption(*this, *combo_);
}

QString TfnDCommand::Text() const {
    return combo_->currentText();
}

int TfnDCommand::ItemIndex() const {
    return combo_->findText(combo_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

TfnLabelList::TfnLabelList(const QStringList& names, int preselect, QWidget* parent)
    : TfnDCommand(QStringLiteral("TfnLabelList"), QStringLiteral("Current Labels"), names,
                  preselect, QSize(287, 88), parent) {}

}  // namespace vendra::ui
