#include "ui/tools/EncoderDisplay.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include "core/base/Configuration.h"

namespace vendra::ui {

namespace {
constexpr int kRows = 8;  // four columns of eight: two units a column's quarter
}

TEncoders::TEncoders(const BoardState& boards, const Configuration& config, QWidget* parent)
    : QWidget(parent, Qt::Window), boards_(boards), config_(config) {
    setObjectName(QStringLiteral("TEncoders"));
    setWindowTitle(QStringLiteral("Encoder Display"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    for (int k = 1; k <= kEncoderFields; ++k) {
        const int row = (k - 1) % kRows, column = (k - 1) / kRows * 2;
        auto* caption = new QLabel(QStringLiteral("Enc %1").arg(k), this);
        caption->setObjectName(QStringLiteral("EncLabel%1").arg(k));
        auto* field = new QLabel(QStringLiteral("0"), this);
        field->setObjectName(QStringLiteral("Encoder%1").arg(k));
        field->setFrameShape(QFrame::Panel);
        field->setFrameShadow(QFrame::Sunken);
        field->setAlignment(Qt::AlignCenter);
        field->setTextFormat(Qt::PlainText);
        field->setMinimumWidth(80);
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row, column + 1);
        fields_[k - 1] = field;
    }
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("EncoderTimer"));
    timer_->setInterval(400);
    connect(timer_, &QTimer::timeout, this, &TEncoders::EncoderTimerTimer);
    timer_->start();
}

QLabel* TEncoders::Field(int k) const {
    return k >= 1 && k <= kEncoderFields ? fields_[k - 1] : nullptr;
}

void TEncoders::EncoderTimerTimer() {
    // Set only when it differs: setting an interval restarts the timer.
    const int interval = DisplayIntervalMs(config_.EncoderWinTime.load());
    if (timer_->interval() != interval) timer_->setInterval(interval);
    for (int k = 1; k <= kEncoderFields; ++k)
        fields_[k - 1]->setText(QString::fromStdString(EncoderText(boards_, k)));
}

}  // namespace vendra::ui
