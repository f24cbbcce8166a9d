#include "ui/app/MessageBox.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <map>
#include <memory>

#include "core/base/Operator.h"
#include "ui/app/ModalDialog.h"

namespace vendra::ui {

namespace {

QMessageBox::StandardButtons ButtonsFor(unsigned flags) {
    switch (flags & 0xF) {
        case mb::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case mb::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case mb::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case mb::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case mb::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconFor(unsigned flags) {
    switch (flags & 0xF0) {
        case mb::IconStop:
            return QMessageBox::Critical;
        case mb::IconQuestion:
            return QMessageBox::Question;
        case mb::IconWarning:
            return QMessageBox::Warning;
        case mb::IconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int CodeFor(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return mb::IdOk;
        case QMessageBox::Cancel:
            return mb::IdCancel;
        case QMessageBox::Abort:
            return mb::IdAbort;
        case QMessageBox::Retry:
            return mb::IdRetry;
        case QMessageBox::Ignore:
            return mb::IdIgnore;
        case QMessageBox::Yes:
            return mb::IdYes;
        case QMessageBox::No:
            return mb::IdNo;
        default:
            return 0;
    }
}

// Escape and the close box answer a box only when one of its buttons means "no answer": Cancel,
// or OK when it is the only button. A Yes/No or Abort/Retry/Ignore box has none, so it closes
// only by a button: closing it would choose a branch the operator never chose.
bool ClosesWithoutAButton(unsigned flags) {
    switch (flags & 0xF) {
        case mb::YesNo:
        case mb::AbortRetryIgnore:
            return false;
        default:
            return true;
    }
}

class AnswerOnlyBox final : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

std::map<QString, MessageBoxView>& Views() {
    static std::map<QString, MessageBoxView> views;
    return views;
}

// The system's texts break their lines with CR (alone or before LF); a box shows only LF as a
// line break.
QString WithLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

void SetMessageBoxView(const QString& title, MessageBoxView view) {
    if (view)
        Views()[title] = std::move(view);
    else
        Views().erase(title);
}

int DecliningAnswer(unsigned flags) {
    switch (flags & 0xF) {
        case mb::OkCancel:
        case mb::YesNoCancel:
        case mb::RetryCancel:
            return mb::IdCancel;
        case mb::AbortRetryIgnore:
            return mb::IdAbort;
        case mb::YesNo:
            return mb::IdNo;
        default:
            return mb::IdOk;
    }
}

int ClassicMessageBox(QWidget* parent, const QString& rawText, const QString& title,
                      unsigned flags) {
    const QString text = WithLineBreaks(rawText);
    auto view = Views().find(title);
    if (view != Views().end()) return view->second(parent, text, flags);
    const bool closable = ClosesWithoutAButton(flags);
    std::unique_ptr<QMessageBox> owned =
        closable
            ? std::make_unique<QMessageBox>(IconFor(flags), title, text, ButtonsFor(flags), parent)
            : std::make_unique<AnswerOnlyBox>(IconFor(flags), title, text, ButtonsFor(flags),
                                              parent);
    QMessageBox& box = *owned;
    box.setObjectName(QStringLiteral("MessageBox"));
    // Plain text always: a text that merely looks like markup would lose its line breaks.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (flags & mb::SystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (!closable) {
        // No close box in the title bar (the window manager shows only the hints given).
        box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                           ~Qt::WindowCloseButtonHint);
    }
    // A message box sizes itself to its text alone; a short text under a long title would leave
    // the title cut in the title bar ("VDWin IEEPROM Editor Message").
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(title) + 140;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    // Where Escape and the close box answer, they press Cancel (or the lone OK).
    ExecModal(box);
    const int code = CodeFor(box.standardButton(box.clickedButton()));
    // No button: the box was taken down without the operator (the program is ending).
    return code != 0 ? code : DecliningAnswer(flags);
}

}  // namespace vendra::ui
