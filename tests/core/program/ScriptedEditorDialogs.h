// Test double of the editor's dialogs: answers the chooser, the parameter dialogs, the label
// picker and the save dialog from queues, and records what each showed. A dialog that opens with
// nothing queued is cancelled and recorded, so a test never hangs and always sees it.
#pragma once
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/program/EditorDialogs.h"
#include "core/program/LineDialog.h"

namespace vendra::test {

class ScriptedEditorDialogs : public EditorDialogs {
  public:
    // Returns 1 to press OK (the double then calls Ok and reports what it returned) or 2 to
    // cancel; it may type, pick labels and call Ok itself before.
    using Script = std::function<int(LineDialog&)>;

    void QueueCommand(std::optional<std::string> text) { commands_.push_back(std::move(text)); }
    void QueueDialog(Script script) { scripts_.push_back(std::move(script)); }
    // Types `fields` (component, text) into the dialog, then presses OK.
    void QueueFill(std::initializer_list<std::pair<const char*, std::string>> fields) {
        std::vector<std::pair<const char*, std::string>> copy(fields);
        QueueDialog([copy](LineDialog& d) {
            for (auto& [component, text] : copy) d.Type(d.FieldIndex(component), text);
            return 1;
        });
    }
    void QueueCancel() {
        QueueDialog([](LineDialog&) { return 2; });
    }
    void QueueLabel(std::optional<int> index) { labels_.push_back(index); }
    void QueueSaveName(std::optional<std::string> path) { saves_.push_back(std::move(path)); }
    std::function<int()> Load = [] { return 0; };

    bool ChooseCommand(uint32_t preselect, std::string& text) override {
        preselects.push_back(preselect);
        if (commands_.empty()) return Unexpected("chooser");
        auto answer = commands_.front();
        commands_.pop_front();
        if (!answer) return false;
        text = *answer;
        return true;
    }

    int ShowLineDialog(LineDialog& dialog) override {
        shown.push_back(dialog.Row().ClassName);
        std::vector<std::string> texts;
        for (int i = 0; i < dialog.FieldCount(); ++i) texts.push_back(dialog.Text(i));
        loadedTexts.push_back(texts);
        if (scripts_.empty()) {
            Unexpected(dialog.Row().ClassName);
            return 2;
        }
        Script script = std::move(scripts_.front());
        scripts_.pop_front();
        if (script(dialog) != 1) return 2;
        return dialog.Ok() == 1 ? 1 : 2;
    }

    bool ChooseLabel(const std::vector<std::string>& names, uint32_t preselect,
                     int& index) override {
        pickerNames.push_back(names);
        pickerPreselects.push_back(preselect);
        if (labels_.empty()) return Unexpected("label picker");
        auto answer = labels_.front();
        labels_.pop_front();
        if (!answer) return false;
        index = *answer;
        return true;
    }

    bool AskSaveFileName(const std::string& suggested, std::string& path) override {
        suggestedNames.push_back(suggested);
        if (saves_.empty()) return Unexpected("save dialog");
        auto answer = saves_.front();
        saves_.pop_front();
        if (!answer) return false;
        path = *answer;
        return true;
    }

    int LoadProgramFile() override { return Load(); }
    void ListChanged() override {}

    bool Idle() const {
        return commands_.empty() && scripts_.empty() && labels_.empty() && saves_.empty();
    }

    std::vector<uint32_t> preselects;
    std::vector<std::string> shown;                     // class names of the dialogs shown
    std::vector<std::vector<std::string>> loadedTexts;  // their texts as they opened
    std::vector<std::vector<std::string>> pickerNames;
    std::vector<uint32_t> pickerPreselects;
    std::vector<std::string> suggestedNames;
    std::vector<std::string> unexpected;

  private:
    bool Unexpected(const std::string& what) {
        unexpected.push_back(what);
        return false;
    }

    std::deque<std::optional<std::string>> commands_;
    std::deque<Script> scripts_;
    std::deque<std::optional<int>> labels_;
    std::deque<std::optional<std::string>> saves_;
};

}  // namespace vendra::test
