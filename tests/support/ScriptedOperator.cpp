#include "support/ScriptedOperator.h"

namespace vendra::test {

using Lock = std::lock_guard<std::mutex>;

void ScriptedOperator::QueueButton(int button) {
    Lock l(mutex_);
    buttons_.push_back(button);
}
void ScriptedOperator::QueueBoardType(bool ok, uint8_t family) {
    Lock l(mutex_);
    boardTypes_.emplace_back(ok, family);
}
void ScriptedOperator::QueueBoardAddress(bool ok, uint8_t address) {
    Lock l(mutex_);
    boardAddresses_.emplace_back(ok, address);
}
void ScriptedOperator::QueueUserValue(bool ok, uint32_t value) {
    Lock l(mutex_);
    userValues_.emplace_back(ok, value);
}

void ScriptedOperator::QueueTestLength(uint32_t steps) {
    Lock l(mutex_);
    testLengths_.push_back(steps);
}

int ScriptedOperator::ShowMessageBox(const std::string& text, const std::string& title,
                                     unsigned flags) {
    Lock l(mutex_);
    boxes_.push_back({text, title, flags});
    if (buttons_.empty()) return defaultButton;
    int b = buttons_.front();
    buttons_.pop_front();
    return b;
}

bool ScriptedOperator::AskBoardType(uint8_t& family) {
    Lock l(mutex_);
    if (boardTypes_.empty()) return true;
    auto [ok, f] = boardTypes_.front();
    boardTypes_.pop_front();
    if (ok) family = f;
    return ok;
}

bool ScriptedOperator::AskBoardAddress(uint8_t& address) {
    Lock l(mutex_);
    if (boardAddresses_.empty()) return true;
    auto [ok, a] = boardAddresses_.front();
    boardAddresses_.pop_front();
    if (ok) address = a;
    return ok;
}

bool ScriptedOperator::AskUserValue(const std::string& text, uint32_t& value) {
    Lock l(mutex_);
    userValueQuestions_.push_back(text);
    if (userValues_.empty()) return true;
    auto [ok, v] = userValues_.front();
    userValues_.pop_front();
    if (ok) value = v;
    return ok;
}

uint32_t ScriptedOperator::AskTestLength() {
    Lock l(mutex_);
    ++testLengthQuestions_;
    if (testLengths_.empty()) return 0;
    const uint32_t steps = testLengths_.front();
    testLengths_.pop_front();
    return steps;
}

void ScriptedOperator::SetSystemMessage(const std::string& text) {
    Lock l(mutex_);
    systemMessages_.push_back(text);
}
void ScriptedOperator::SetUnitIndicator(UnitGroup group, int address, UnitIndicator state) {
    Lock l(mutex_);
    indicators_[{static_cast<int>(group), address}] = state;
}
void ScriptedOperator::SetUnitCount(UnitGroup group, const std::string& text) {
    Lock l(mutex_);
    counts_[static_cast<int>(group)].push_back(text);
}
void ScriptedOperator::SetMenuEnabled(MenuItem item, bool enabled) {
    Lock l(mutex_);
    menus_[static_cast<int>(item)] = enabled ? 1 : 0;
}
void ScriptedOperator::SetCheckBox(CheckBox box, bool checked) {
    {
        Lock l(mutex_);
        checkBoxes_[static_cast<int>(box)] = checked ? 1 : 0;
    }
    if (onCheckBox) onCheckBox(box, checked);
}
void ScriptedOperator::SetProgress(int percent) {
    Lock l(mutex_);
    progress_.push_back(percent);
}
void ScriptedOperator::Beep(unsigned sound) {
    Lock l(mutex_);
    beeps_.push_back(sound);
}
void ScriptedOperator::StateChanged() {}

std::vector<MessageBoxCall> ScriptedOperator::Boxes() const {
    Lock l(mutex_);
    return boxes_;
}
std::vector<std::string> ScriptedOperator::SystemMessages() const {
    Lock l(mutex_);
    return systemMessages_;
}
std::vector<std::string> ScriptedOperator::UserValueQuestions() const {
    Lock l(mutex_);
    return userValueQuestions_;
}
int ScriptedOperator::TestLengthQuestions() const {
    Lock l(mutex_);
    return testLengthQuestions_;
}
UnitIndicator ScriptedOperator::Indicator(UnitGroup group, int address) const {
    Lock l(mutex_);
    auto it = indicators_.find({static_cast<int>(group), address});
    return it == indicators_.end() ? UnitIndicator::Reset : it->second;
}
std::string ScriptedOperator::UnitCount(UnitGroup group) const {
    Lock l(mutex_);
    auto it = counts_.find(static_cast<int>(group));
    return it == counts_.end() || it->second.empty() ? "" : it->second.back();
}
std::vector<std::string> ScriptedOperator::UnitCountHistory(UnitGroup group) const {
    Lock l(mutex_);
    auto it = counts_.find(static_cast<int>(group));
    return it == counts_.end() ? std::vector<std::string>{} : it->second;
}
int ScriptedOperator::MenuEnabled(MenuItem item) const {
    Lock l(mutex_);
    auto it = menus_.find(static_cast<int>(item));
    return it == menus_.end() ? -1 : it->second;
}
int ScriptedOperator::CheckBoxState(CheckBox box) const {
    Lock l(mutex_);
    auto it = checkBoxes_.find(static_cast<int>(box));
    return it == checkBoxes_.end() ? -1 : it->second;
}
std::vector<int> ScriptedOperator::ProgressHistory() const {
    Lock l(mutex_);
    return progress_;
}
std::vector<unsigned> ScriptedOperator::Beeps() const {
    Lock l(mutex_);
    return beeps_;
}
void ScriptedOperator::ClearRecords() {
    Lock l(mutex_);
    boxes_.clear();
    systemMessages_.clear();
    userValueQuestions_.clear();
    testLengthQuestions_ = 0;
    indicators_.clear();
    counts_.clear();
    menus_.clear();
    checkBoxes_.clear();
    progress_.clear();
    beeps_.clear();
}

}  // namespace vendra::test
