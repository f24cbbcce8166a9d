#include "ui/network/AxisStatsBox.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/Core.h"
#include "ui/app/MainWindow.h"
#include "ui/app/MessageBox.h"
#include "ui/app/ModalDialog.h"

namespace vendra::ui {

namespace {
const QString kTitle = QStringLiteral("Axis Stats");
}

TAxisStatsBox::TAxisStatsBox(const QString& report, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AxisStats"));
    setWindowTitle(kTitle);
    setWindowModality(Qt::ApplicationModal);

    QString lines = report;
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (lines.endsWith(QLatin1Char('\n'))) lines.chop(1);
    text_ = new QLabel(lines);
    text_->setObjectName(QStringLiteral("ReportText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setContentsMargins(4, 4, 12, 4);

    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("ReportArea"));
    area->setWidget(text_);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    // As tall as the report, up to most of the screen; then it scrolls.
    const QSize content = text_->sizeHint();
    const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen();
    const int maxHeight = screen ? screen->availableGeometry().height() * 3 / 4 : 700;
    area->setMinimumWidth(content.width() + area->verticalScrollBar()->sizeHint().width());
    area->setMinimumHeight(std::min(content.height(), maxHeight));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("InformationIcon"));
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(area, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
}

QString TAxisStatsBox::ReportText() const {
    return text_->text();
}

void InstallBoardInfo(TMain& main) {
    SetMessageBoxView(kTitle, [](QWidget* parent, const QString& text, unsigned) {
        TAxisStatsBox box(text, parent);
        ExecModal(box);
        return int(mb::IdOk);
    });
    Core& core = main.GetCore();
    QObject::connect(main.MenuAction("AxisInformation1"), &QAction::triggered, &main, [&core] {
        if (core.State.SystemBusy()) return;
        core.BoardInfo.Start();
    });
}

}  // namespace vendra::ui
