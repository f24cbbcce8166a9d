// Test double of the Operator: records every notification and answers questions from queues.
// Thread-safe: the runner and the network worker call it from their own threads.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/Operator.h"

namespace vendra::test {

struct MessageBoxCall {
    std::string text, title;
    unsigned flags;
};

class ScriptedOperator : public Operator {
  public:
    // Answers for the next message boxes, in order; when empty a box is answered with
    // `defaultButton` (OK).
    void QueueButton(int button);
    void QueueBoardType(bool ok, uint8_t family);
    void QueueBoardAddress(bool ok, uint8_t address);
    void QueueUserValue(bool ok, uint32_t value);
    // The steps the next "Test Length" question answers (0: Cancel). Unqueued questions cancel.
    void QueueTestLength(uint32_t steps);
    int defaultButton = mb::IdOk;
    // Called by SetCheckBox after it was recorded, as the window runs a box's own handling when
    // the box is set. Set it before the operator is used from other threads.
    std::function<void(CheckBox, bool)> onCheckBox;

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
    void ProcessEvents() override {}

    // Snapshots of what was recorded.
    std::vector<MessageBoxCall> Boxes() const;
    std::vector<std::string> SystemMessages() const;
    std::vector<std::string> UserValueQuestions() const;
    int TestLengthQuestions() const;
    UnitIndicator Indicator(UnitGroup group, int address) const;
    std::string UnitCount(UnitGroup group) const;  // "" until set
    std::vector<std::string> UnitCountHistory(UnitGroup group) const;
    int MenuEnabled(MenuItem item) const;   // -1 never set, else 0/1
    int CheckBoxState(CheckBox box) const;  // -1 never set, else 0/1
    std::vector<int> ProgressHistory() const;
    std::vector<unsigned> Beeps() const;
    void ClearRecords();

  private:
    mutable std::mutex mutex_;
    std::deque<int> buttons_;
    std::deque<std::pair<bool, uint8_t>> boardTypes_, boardAddresses_;
    std::deque<std::pair<bool, uint32_t>> userValues_;
    std::deque<uint32_t> testLengths_;
    int testLengthQuestions_ = 0;
    std::vector<MessageBoxCall> boxes_;
    std::vector<std::string> systemMessages_, userValueQuestions_;
    std::map<std::pair<int, int>, UnitIndicator> indicators_;
    std::map<int, std::vector<std::string>> counts_;
    std::map<int, int> menus_, checkBoxes_;
    std::vector<int> progress_;
    std::vector<unsigned> beeps_;
};

}  // namespace vendra::test
