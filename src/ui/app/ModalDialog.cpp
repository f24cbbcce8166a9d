#include "ui/app/ModalDialog.h"

#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace vendra::ui {

namespace {
ModalAnswerHook& Hook() {
    static ModalAnswerHook hook;
    return hook;
}
}  // namespace

int ExecModal(QDialog& dialog) {
    if (Hook()) {
        QPointer<QDialog> guard(&dialog);
        // Runs inside exec()'s loop, after the dialog was shown and loaded its fields.
        QTimer::singleShot(0, &dialog, [guard] {
            ModalAnswerHook hook = Hook();  // a copy: the hook may replace itself
            if (guard && hook) hook(*guard);
        });
    }
    return dialog.exec();
}

QHBoxLayout* OkCancelRow(QDialog& dialog, QPushButton*& ok) {
    ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void FitCaption(QDialog& dialog, QWidget& content) {
    // Title bars use a larger, often bold font and keep room for their buttons.
    QFont title = dialog.font();
    title.setBold(true);
    const int needed = QFontMetrics(title).horizontalAdvance(dialog.windowTitle()) * 5 / 4 + 110;
    content.setMinimumWidth(std::max(content.minimumWidth(), needed));
}

ModalAnswerHook SetModalAnswerHook(ModalAnswerHook hook) {
    ModalAnswerHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

}  // namespace vendra::ui
