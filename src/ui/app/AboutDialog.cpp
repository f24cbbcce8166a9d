#include "ui/app/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef VENDRA_VERSION
#define VENDRA_VERSION "2.0.0.0"
#endif

namespace vendra::ui {

QString TAboutDialog::VersionText() {
    return QStringLiteral("Version : %1").arg(QStringLiteral(VENDRA_VERSION));
}

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutDialog"));
    setWindowTitle(QStringLiteral("About"));

    auto* name = new QLabel(QStringLiteral("Vendra for Windows"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* line = new QLabel(
        QStringLiteral("Host program for the Vendra stepper-motor controller boards"), this);
    line->setObjectName(QStringLiteral("Comments"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->setSpacing(8);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addWidget(line, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vendra::ui
