// The Qt side of the Operator interface.
//
// Thread rule: construct it on the GUI thread. Called on the GUI thread every method acts at once;
// called on a worker, questions are run on the GUI thread while the worker waits for the answer,
// and notifications are queued to the GUI thread in the order they were made. After Shutdown()
// (the program ends, a test tears down) waiting and later questions from workers get the
// declining answer at once, so no worker can hang on a dialog nobody will show.
#pragma once
#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "core/base/Operator.h"

class QWidget;

namespace vendra::ui {

class TMain;

class QtOperator : public QObject, public Operator {
    Q_OBJECT
  public:
    explicit QtOperator(QObject* parent = nullptr);
    ~QtOperator() override;

    // The window that notifications update (none: they are dropped).
    void SetMainWindow(TMain* main);
    TMain* MainWindow() const;
    void Shutdown();

    int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags) override;
    bool AskBoardType(uint8_t& family) override;
    bool AskBoardAddress(uint8_t& address) override;
    bool AskUserValue(const std::string& text, uint32_t& value) override;
    uint32_t AskTestLength() override;

    void SetSystemMessage(const std::string& text) override;
    void SetUnitIndicator(UnitGroup group, int address, UnitIndicator state) override;
    void SetUnitCount(UnitGroup group, const std::string& text) override;
    void SetMenuEnabled(MenuItem item, bool enabled) override;
    void SetCheckBox(CheckBox box, bool checked) override;
    void SetProgress(int percent) override;
    void Beep(unsigned sound) override;
    void StateChanged() override;
    void ActivityEnded(Activity activity) override;
    void ProcessEvents() override;
    bool PumpsEvents() const override { return OnGuiThread(); }

    static bool OnGuiThread();
    // Runs `work` on the GUI thread: at once when called there, else queued in order with the
    // notifications (a window's own worker hands it what it found this way).
    void Post(std::function<void()> work);

  signals:
    // Emitted on the GUI thread for every StateChanged() call.
    void CoreStateChanged();
    // Emitted on the GUI thread, in order with the notifications before it, when an activity's
    // job has ended.
    void ActivityHasEnded(vendra::Activity activity);

  private:
    template <class R>
    R Ask(std::function<R()> onGui, R declined);
    void Notify(std::function<void(TMain&)> onGui);
    // Hands work from a worker to the GUI thread through our own mutex-guarded queue, in order.
    // (Qt's queued calls synchronise inside Qt, which the thread checker cannot see; this way the
    // hand-off of every captured value is visible to it.)
    void PostToGui(std::function<void()> work);
  private slots:
    // Invoked by name from workers: no functor object of ours crosses threads inside Qt.
    void RunPosted();
    void EmitStateChanged();
    void BeepNow();

  private:
    QWidget* DialogParent() const;

    QPointer<TMain> main_;
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> stateChangePending_{false};
    std::mutex mutex_;
    std::condition_variable answered_;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace vendra::ui
