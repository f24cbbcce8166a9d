#include "ui/tools/TestLengthDialog.h"

#include <QStringList>

#include "core/tools/CommTest.h"
#include "ui/app/ModalDialog.h"

namespace vendra::ui {

namespace {
QStringList LengthItems() {
    QStringList items;
    for (const TestLength& length : kTestLengths) items << QLatin1String(length.text);
    return items;
}
}  // namespace

TTestLength::TTestLength(QWidget* parent)
    : ChoiceDialog(QStringLiteral("TTestLength"), QStringLiteral("Test Length"),
                   QStringLiteral("ChooseRadioGroup"), QStringLiteral("Test Length"), LengthItems(),
                   1, parent) {}

uint32_t AskTestLengthDialog(QWidget* parent) {
    TTestLength dialog(parent);
    dialog.SetInitialIndex(0);
    if (ExecModal(dialog) != QDialog::Accepted) return 0;
    return TestCountForItem(dialog.SelectedIndex());
}

}  // namespace vendra::ui
