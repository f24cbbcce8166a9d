#include "ui/serial/CommDebugFilterBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace vendra::ui {

namespace {
constexpr int kTypingPauseMs = 250;
}

CommDebugFilterBar::CommDebugFilterBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FilterBar"));
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("FilterText"));
    text_->setPlaceholderText(QStringLiteral("text in the line"));
    text_->setClearButtonEnabled(true);
    text_->setMinimumWidth(140);
    direction_ = new QComboBox(this);
    direction_->setObjectName(QStringLiteral("FilterDirection"));
    direction_->addItems(
        {QStringLiteral("Sent and received"), QStringLiteral("Sent"), QStringLiteral("Received")});
    unit_ = new QLineEdit(this);
    unit_->setObjectName(QStringLiteral("FilterUnit"));
    unit_->setPlaceholderText(QStringLiteral("D3"));
    unit_->setMaxLength(2);
    unit_->setMaximumWidth(60);
    unit_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z][0-9A-Fa-f]?")), unit_));
    auto* clear = new QPushButton(QStringLiteral("Clear Filter"), this);
    clear->setObjectName(QStringLiteral("ClearFilterButton"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("FilterCount"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
    layout->addWidget(text_, 1);
    layout->addWidget(direction_);
    layout->addWidget(new QLabel(QStringLiteral("Unit:"), this));
    layout->addWidget(unit_);
    layout->addWidget(clear);
    layout->addWidget(count_);

    pause_ = new QTimer(this);
    pause_->setSingleShot(true);
    pause_->setInterval(kTypingPauseMs);
    connect(pause_, &QTimer::timeout, this, &CommDebugFilterBar::Apply);
    connect(text_, &QLineEdit::textEdited, pause_, qOverload<>(&QTimer::start));
    connect(unit_, &QLineEdit::textEdited, pause_, qOverload<>(&QTimer::start));
    connect(text_, &QLineEdit::returnPressed, this, &CommDebugFilterBar::Apply);
    connect(direction_, &QComboBox::currentIndexChanged, this, &CommDebugFilterBar::Apply);
    connect(clear, &QPushButton::clicked, this, &CommDebugFilterBar::ClearFilterButtonClick);
}

CommDebugFilter CommDebugFilterBar::Filter() const {
    static const CommDirection kDirections[] = {CommDirection::Any, CommDirection::Sent,
                                                CommDirection::Received};
    return CommDebugFilter(text_->text().toStdString(),
                           kDirections[std::max(0, direction_->currentIndex())],
                           unit_->text().toStdString());
}

void CommDebugFilterBar::Apply() {
    pause_->stop();
    emit FilterChanged(Filter());
}

void CommDebugFilterBar::ClearFilterButtonClick() {
    text_->clear();
    unit_->clear();
    {
        QSignalBlocker block(direction_);  // one application, below
        direction_->setCurrentIndex(0);
    }
    Apply();
}

void CommDebugFilterBar::ShowCount(size_t shown, size_t total, bool filtered) {
    count_->setText(filtered ? QStringLiteral("%1 of %2 lines").arg(shown).arg(total) : QString());
}

}  // namespace vendra::ui
