// The person at the screen, for vendra-run: messages go to stderr; the program's questions are
// answered from the answers given on the command line, in order, then on the terminal when stdin
// is one. A question that nothing can answer stops the run (through the stop hook) and is
// remembered, so the run ends with a clear message instead of waiting for nobody. The resume
// question after a lost line is answered by --resume-after-reconnect; when resuming would send a
// command again that already reached the boards, only with --allow-repeat as well.
//
// Error rule: nothing throws; an answer that is not one of the question's buttons (or not a
// number for user_value) counts as no answer, with a message naming it.
// Thread rule: every method may be called from any thread (the runner asks, the main thread
// shows progress and interrupts); output is written whole under one mutex.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "cli/CliPlatform.h"
#include "core/base/Operator.h"

namespace vendra {

// The button of a box (mb:: flags) an answer names: the button's word or its first letter, in
// any case ("yes", "Y", "cancel"); 0 when the box has no such button.
int ButtonForAnswer(const std::string& answer, unsigned flags);
// The box's buttons as words: "ok/cancel".
std::string ButtonWords(unsigned flags);
// The button that declines a box: Cancel where there is one, else No, else Abort, else OK.
int DecliningButton(unsigned flags);
// A user_value answer: an unsigned 32-bit decimal number.
std::optional<uint32_t> ValueForAnswer(const std::string& answer);

class CliOperator : public ScreenlessOperator {
  public:
    struct Setup {
        std::deque<std::string> answers;
        int inputFd = -1;  // the terminal questions are read from (-1: none)
        bool resumeAfterReconnect = false;
        bool allowRepeat = false;
    };
    CliOperator(Setup setup, std::ostream& err);
    ~CliOperator() override;
    CliOperator(const CliOperator&) = delete;
    CliOperator& operator=(const CliOperator&) = delete;

    // Called (on the asking thread) when a question finds no answer: the run is to stop.
    void SetStopHook(std::function<void()> hook) { stopHook_ = std::move(hook); }
    // Ends a terminal question under way with its declining answer (Abort, a signal).
    void Interrupt();
    // The question that found no answer ("" when none).
    std::string Unanswered() const;
    // Answers taken so far.
    int AnswersUsed() const { return answersUsed_.load(); }

    // One line to stderr, prefixed "vendra-run: ".
    void Say(const std::string& text);
    // The progress line (rewritten in place; only where stderr is a terminal). Empty: cleared.
    // Not shown while a question waits for typing.
    void Progress(const std::string& text);

    int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags) override;
    int ShowProgramBox(const std::string& text, const std::string& title, unsigned flags) override;
    bool AskBoardType(uint8_t& family) override;
    bool AskBoardAddress(uint8_t& address) override;
    bool AskUserValue(const std::string& text, uint32_t& value) override;
    bool AskResumeAfterLineLoss(const std::string& text, bool repeatsCommand) override;

    void SetSystemMessage(const std::string& text) override;

  private:
    // The next answer: from the list, else from the terminal (`typed` set); nullopt when there
    // is none (or a terminal question was interrupted: `interrupted` is then set).
    std::optional<std::string> NextAnswer(const std::string& prompt, bool& interrupted,
                                          bool& typed);
    std::optional<std::string> ReadTerminalLine(const std::string& prompt, bool& interrupted);
    void NoAnswer(const std::string& question, const std::string& why);
    void WriteLocked(const std::string& text);

    std::deque<std::string> answers_;
    const bool hasInput_;
    TerminalInput input_;
    const bool resumeAfterReconnect_;
    const bool allowRepeat_;
    std::ostream& err_;
    std::function<void()> stopHook_;
    std::atomic<int> answersUsed_{0};
    std::atomic<bool> interrupted_{false};

    mutable std::mutex mutex_;  // answers_, unanswered_, the output, the progress line, typing_
    std::mutex askMutex_;       // one question at a time
    std::string unanswered_;
    std::string progress_;  // the progress line shown now
    bool typing_ = false;   // a question waits for typing on the terminal
};

}  // namespace vendra
