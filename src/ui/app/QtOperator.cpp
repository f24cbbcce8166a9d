#include "ui/app/QtOperator.h"

#include <QApplication>
#include <QInputDialog>
#include <QThread>
#include <memory>

#include "ui/app/BoardSelectDialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/MessageBox.h"
#include "ui/app/ModalDialog.h"
#include "ui/tools/TestLengthDialog.h"

namespace vendra::ui {

QtOperator::QtOperator(QObject* parent) : QObject(parent) {}

QtOperator::~QtOperator() {
    Shutdown();
}

void QtOperator::SetMainWindow(TMain* main) {
    main_ = main;
}
TMain* QtOperator::MainWindow() const {
    return main_.data();
}

void QtOperator::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shutdown_ = true;
    }
    answered_.notify_all();
}

bool QtOperator::OnGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

template <class R>
R QtOperator::Ask(std::function<R()> onGui, R declined) {
    if (OnGuiThread()) return onGui();
    if (shutdown_) return declined;

    struct Reply {
        bool done = false;
        R value{};
    };
    auto reply = std::make_shared<Reply>();
    PostToGui([this, reply, onGui = std::move(onGui), declined] {
        R value = shutdown_ ? declined : onGui();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reply->value = value;
            reply->done = true;
        }
        answered_.notify_all();
    });

    std::unique_lock<std::mutex> lock(mutex_);
    answered_.wait(lock, [&] { return reply->done || shutdown_.load(); });
    return reply->done ? reply->value : declined;
}

void QtOperator::Notify(std::function<void(TMain&)> onGui) {
    if (OnGuiThread()) {
        if (main_) onGui(*main_);
        return;
    }
    PostToGui([this, onGui = std::move(onGui)] {
        if (main_) onGui(*main_);
    });
}

void QtOperator::Post(std::function<void()> work) {
    if (OnGuiThread()) {
        work();
        return;
    }
    PostToGui(std::move(work));
}

void QtOperator::PostToGui(std::function<void()> work) {
    bool first;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        first = posted_.empty();
        posted_.push_back(std::move(work));
    }
    // One queued call drains everything posted before it runs.
    if (first) QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void QtOperator::RunPosted() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> lock(postedMutex_);
            if (posted_.empty()) return;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();  // may open a modal dialog whose event loop runs RunPosted again: order is kept
    }
}

QWidget* QtOperator::DialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return main_.data();
}

int QtOperator::ShowMessageBox(const std::string& text, const std::string& title, unsigned flags) {
    const QString qText = QString::fromStdString(text), qTitle = QString::fromStdString(title);
    return Ask<int>([this, qText, qTitle,
                     flags] { return ClassicMessageBox(DialogParent(), qText, qTitle, flags); },
                    DecliningAnswer(flags));
}

bool QtOperator::AskBoardType(uint8_t& family) {
    const uint8_t initial = family;
    const auto answer = Ask<std::pair<bool, uint8_t>>(
        [this, initial] {
            uint8_t value = initial;
            const bool ok = AskBoardTypeDialog(DialogParent(), value);
            return std::make_pair(ok, value);
        },
        {false, initial});
    if (answer.first) family = answer.second;
    return answer.first;
}

bool QtOperator::AskBoardAddress(uint8_t& address) {
    const uint8_t initial = address;
    const auto answer = Ask<std::pair<bool, uint8_t>>(
        [this, initial] {
            uint8_t value = initial;
            const bool ok = AskBoardAddressDialog(DialogParent(), value);
            return std::make_pair(ok, value);
        },
        {false, initial});
    if (answer.first) address = answer.second;
    return answer.first;
}

bool QtOperator::AskUserValue(const std::string& text, uint32_t& value) {
    const uint32_t initial = value;
    const QString qText = QString::fromStdString(text);
    const auto answer = Ask<std::pair<bool, uint32_t>>(
        [this, qText, initial] {
            QInputDialog dialog(DialogParent());
            dialog.setObjectName(QStringLiteral("UserValueDialog"));
            dialog.setWindowTitle(QStringLiteral("User Value Input"));
            dialog.setLabelText(qText);
            dialog.setInputMode(QInputDialog::TextInput);
            dialog.setTextValue(QString::number(initial));
            // Asks again until the text is an unsigned 32-bit number or the operator cancels.
            for (;;) {
                if (ExecModal(dialog) != QDialog::Accepted) return std::make_pair(false, initial);
                bool ok = false;
                const qulonglong v = dialog.textValue().trimmed().toULongLong(&ok);
                if (ok && v <= 0xFFFFFFFFull) return std::make_pair(true, uint32_t(v));
                dialog.setLabelText(qText + QStringLiteral("\n(a number from 0 to 4294967295)"));
            }
        },
        {false, initial});
    if (answer.first) value = answer.second;
    return answer.first;
}

uint32_t QtOperator::AskTestLength() {
    return Ask<uint32_t>([this] { return AskTestLengthDialog(DialogParent()); }, 0);
}

void QtOperator::SetSystemMessage(const std::string& text) {
    const QString qText = QString::fromStdString(text);
    Notify([qText](TMain& m) { m.ShowSystemMessage(qText); });
}

void QtOperator::SetUnitIndicator(UnitGroup group, int address, UnitIndicator state) {
    Notify([=](TMain& m) { m.ShowUnitIndicator(group, address, state); });
}

void QtOperator::SetUnitCount(UnitGroup group, const std::string& text) {
    const QString qText = QString::fromStdString(text);
    Notify([group, qText](TMain& m) { m.ShowUnitCount(group, qText); });
}

void QtOperator::SetMenuEnabled(MenuItem item, bool enabled) {
    Notify([=](TMain& m) { m.EnableMenuItem(item, enabled); });
}

void QtOperator::SetCheckBox(CheckBox box, bool checked) {
    Notify([=](TMain& m) { m.SetCheckBoxChecked(box, checked); });
}

void QtOperator::SetProgress(int percent) {
    Notify([percent](TMain& m) { m.ShowProgress(percent); });
}

void QtOperator::Beep(unsigned) {
    if (OnGuiThread()) {
        QApplication::beep();
        return;
    }
    QMetaObject::invokeMethod(this, "BeepNow", Qt::QueuedConnection);
}

void QtOperator::BeepNow() {
    QApplication::beep();
}

void QtOperator::StateChanged() {
    if (OnGuiThread()) {
        emit CoreStateChanged();
        return;
    }
    // Coalesced: a burst of changes from a worker costs the GUI one refresh, not one per change.
    if (stateChangePending_.exchange(true)) return;
    QMetaObject::invokeMethod(this, "EmitStateChanged", Qt::QueuedConnection);
}

void QtOperator::EmitStateChanged() {
    stateChangePending_ = false;
    emit CoreStateChanged();
}

void QtOperator::ActivityEnded(Activity activity) {
    if (OnGuiThread()) {
        emit ActivityHasEnded(activity);
        return;
    }
    PostToGui([this, activity] { emit ActivityHasEnded(activity); });
}

void QtOperator::ProcessEvents() {
    if (OnGuiThread()) QCoreApplication::processEvents();
}

}  // namespace vendra::ui
