// Answers the program's modal dialogs in tests, like an operator: each dialog that opens is handed
// to the next queued answer. A dialog that opens with no answer queued is recorded as unexpected
// and closed with reject(), so a test never hangs on a forgotten dialog.
#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "ui/app/ModalDialog.h"

namespace vendra::ui::test {

class DialogAnswerer {
  public:
    using Answer = std::function<void(QDialog&)>;
    DialogAnswerer();
    ~DialogAnswerer();

    void Queue(Answer answer);
    // Clicks the message box button with this classic code (mb::IdOk, mb::IdYes, ...).
    void QueueMessageBoxButton(int code);
    // Clicks the push button with this component name (e.g. "BaudrateOK", "OKButton").
    void QueueClick(const char* buttonName);

    QStringList Titles() const { return titles_; }  // every dialog seen, in order
    QStringList Texts() const { return texts_; }    // message box texts ("" for other dialogs)
    QStringList Unexpected() const { return unexpected_; }
    int Pending() const { return static_cast<int>(answers_.size()); }

  private:
    void Handle(QDialog& dialog);
    std::deque<Answer> answers_;
    QStringList titles_, texts_, unexpected_;
    ModalAnswerHook previous_;
};

// Clicks the push button named `name` inside `dialog`; fails the test when there is none.
void ClickButton(QDialog& dialog, const char* name);
// Spins the event loop until `done` or `timeoutMs` passed; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace vendra::ui::test
