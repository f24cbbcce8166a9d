#include "ui/tools/TempRegisterDisplay.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>

#include "core/base/Configuration.h"

namespace vendra::ui {

namespace {
constexpr int kRows = 10;  // four columns of ten
}

TTempRegisterDisplay::TTempRegisterDisplay(TempRegisterFile& registers, const Configuration& config,
                                           QWidget* parent)
    : QWidget(parent, Qt::Window), registers_(registers), config_(config) {
    setObjectName(QStringLiteral("TTempRegisterDisplay"));
    setWindowTitle(QStringLiteral("Temporary Register Display"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    for (int n = 1; n <= kShownTempRegisters; ++n) {
        const int row = (n - 1) % kRows, column = (n - 1) / kRows * 2;
        auto* caption = new QLabel(QStringLiteral("Temp #%1").arg(n), this);
        caption->setObjectName(QStringLiteral("TempLabel%1").arg(n));
        auto* field = new QLabel(this);
        field->setObjectName(QStringLiteral("Temp%1").arg(n));
        field->setFrameShape(QFrame::Panel);
        field->setFrameShadow(QFrame::Sunken);
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setTextFormat(Qt::PlainText);
        field->setMinimumWidth(84);
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row, column + 1);
        fields_[n - 1] = field;
    }
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("TempTimer"));
    timer_->setInterval(250);
    connect(timer_, &QTimer::timeout, this, &TTempRegisterDisplay::TempTimerTimer);
}

QLabel* TTempRegisterDisplay::Field(int n) const {
    return n >= 1 && n <= kShownTempRegisters ? fields_[n - 1] : nullptr;
}

void TTempRegisterDisplay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_->stop();
    MarkAllTempRegistersChanged(registers_);  // every value is drawn once
    timer_->setInterval(DisplayIntervalMs(config_.TempWinTime.load()));
    timer_->start();
}

void TTempRegisterDisplay::closeEvent(QCloseEvent* event) {
    timer_->stop();
    QWidget::closeEvent(event);  // hidden; the check box keeps its state
}

void TTempRegisterDisplay::TempTimerTimer() {
    for (int n = 1; n <= kShownTempRegisters; ++n)
        if (const auto text = TakeChangedRegister(registers_, n))
            fields_[n - 1]->setText(QString::fromStdString(*text));
}

}  // namespace vendra::ui
