#include "ui/runner/BreakpointDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/runner/RunControl.h"

namespace vendra::ui {

TBreakpointDialog::TBreakpointDialog(SystemState& state, Operator& op, QWidget* parent)
    : QDialog(parent), state_(state), op_(op) {
    setObjectName(QStringLiteral("TBreakpointDialog"));
    setWindowTitle(QStringLiteral("Breakpoint Dialog"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    for (const char* text : {"Address Range is from 1 to 1000", "0 = Not Active",
                             "Breakpoints are only active when this Dialog is open"}) {
        auto* label = new QLabel(QLatin1String(text), this);
        layout->addWidget(label);
    }
    auto* grid = new QGridLayout;
    for (int n = 0; n < kBreakpointEdits; ++n) {
        auto* label = new QLabel(QStringLiteral("BrkPnt%1").arg(n + 1), this);
        label->setObjectName(QStringLiteral("BrkPnt%1").arg(n + 1));
        auto* edit = new QLineEdit(QStringLiteral("0"), this);
        edit->setObjectName(QStringLiteral("IDC_BREAKPOINT%1").arg(n + 1));
        edit->setMaxLength(12);
        label->setBuddy(edit);
        grid->addWidget(label, n, 0);
        grid->addWidget(edit, n, 1);
        edits_[n] = edit;
    }
    layout->addLayout(grid);
    auto* update = new QPushButton(QStringLiteral("Update"), this);
    update->setObjectName(QStringLiteral("UpdateButton"));
    update->setAutoDefault(false);
    connect(update, &QPushButton::clicked, this, &TBreakpointDialog::UpdateButtonClick);
    layout->addWidget(update, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TBreakpointDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TBreakpointDialog::FormActivate() {
    const auto texts = ActivateBreakpointDialog(state_.Run);
    for (int n = 0; n < kBreakpointEdits; ++n) edits_[n]->setText(QString::fromStdString(texts[n]));
}

void TBreakpointDialog::UpdateButtonClick() {
    std::array<std::string, kBreakpointEdits> texts;
    for (int n = 0; n < kBreakpointEdits; ++n) texts[n] = edits_[n]->text().toStdString();
    UpdateBreakpoints(state_.Run, op_, texts);
}

void TBreakpointDialog::reject() {
    QDialog::reject();
    emit Closed();
}

}  // namespace vendra::ui
