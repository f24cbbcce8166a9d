#include "support/DialogAnswerer.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "core/base/Operator.h"

namespace vendra::ui::test {

DialogAnswerer::DialogAnswerer() {
    previous_ = SetModalAnswerHook([this](QDialog& d) { Handle(d); });
}

DialogAnswerer::~DialogAnswerer() {
    SetModalAnswerHook(std::move(previous_));
}

void DialogAnswerer::Queue(Answer answer) {
    answers_.push_back(std::move(answer));
}

void DialogAnswerer::QueueMessageBoxButton(int code) {
    Queue([code](QDialog& d) {
        auto* box = qobject_cast<QMessageBox*>(&d);
        QVERIFY2(box != nullptr, qPrintable("expected a message box, got " + d.windowTitle()));
        static const std::pair<int, QMessageBox::StandardButton> kButtons[] = {
            {mb::IdOk, QMessageBox::Ok},         {mb::IdCancel, QMessageBox::Cancel},
            {mb::IdAbort, QMessageBox::Abort},   {mb::IdRetry, QMessageBox::Retry},
            {mb::IdIgnore, QMessageBox::Ignore}, {mb::IdYes, QMessageBox::Yes},
            {mb::IdNo, QMessageBox::No}};
        for (const auto& [c, standard] : kButtons) {
            if (c != code) continue;
            QAbstractButton* b = box->button(standard);
            QVERIFY2(b != nullptr, "the message box lacks the button to press");
            b->click();
            return;
        }
        QFAIL("unknown button code");
    });
}

void DialogAnswerer::QueueClick(const char* buttonName) {
    Queue([buttonName](QDialog& d) { ClickButton(d, buttonName); });
}

void DialogAnswerer::Handle(QDialog& dialog) {
    titles_ << dialog.windowTitle();
    auto* box = qobject_cast<QMessageBox*>(&dialog);
    texts_ << (box ? box->text() : QString());
    if (answers_.empty()) {
        unexpected_ << dialog.windowTitle();
        dialog.reject();
        return;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    answer(dialog);
    // An answer that failed a check leaves the dialog open: close it so the test can end.
    if (dialog.isVisible() && QTest::currentTestFailed()) dialog.reject();
}

void ClickButton(QDialog& dialog, const char* name) {
    auto* b = dialog.findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(
        b != nullptr,
        qPrintable(
            QStringLiteral("no button %1 in %2").arg(QLatin1String(name), dialog.windowTitle())));
    b->click();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace vendra::ui::test
