#include "core/onboard/OnboardProgram.h"

#include <cstdio>

namespace vendra {

std::string_view CutOnboardLine(std::string_view text) {
    return text.substr(0, kOnboardLineChars);
}

size_t OnboardProgram::OnboardLineCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

std::string OnboardProgram::Line(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < lines_.size() ? lines_[index] : std::string();
}

std::vector<std::string> OnboardProgram::Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

bool OnboardProgram::SetLine(size_t index, std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= lines_.size()) return false;
    lines_[index] = std::string(CutOnboardLine(text));
    return true;
}

bool OnboardProgram::AppendLine(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.size() >= kOnboardCapacity) return false;
    lines_.emplace_back(CutOnboardLine(text));
    return true;
}

bool OnboardProgram::InsertBlankLine(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.size() >= kOnboardCapacity || index > lines_.size()) return false;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::string());
    return true;
}

bool OnboardProgram::DeleteLine(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= lines_.size()) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool OnboardProgram::CopyLine(size_t from, size_t to) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (from >= kOnboardCapacity || to >= kOnboardCapacity || to >= lines_.size()) return false;
    lines_[to] = from < lines_.size() ? lines_[from] : std::string();
    return true;
}

void OnboardProgram::ReplaceLines(std::vector<std::string> lines) {
    if (lines.size() > kOnboardCapacity) lines.resize(kOnboardCapacity);
    for (std::string& line : lines)
        if (line.size() > kOnboardLineChars) line.resize(kOnboardLineChars);
    std::lock_guard<std::mutex> lock(mutex_);
    lines_ = std::move(lines);
}

void OnboardProgram::ClearLines() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

void ClearOnboardProgram(OnboardProgram& program) {
    program.ClearLines();
    program.OnboardCurrentLine = 0;
    program.OnboardModified = 0;
    program.OnboardSaved = 0;
}

std::string FormatOnboardLine(size_t index, uint32_t location, std::string_view text) {
    char head[32];
    std::snprintf(head, sizeof head, "%05u/%05u - ", static_cast<unsigned>(index + 1), location);
    std::string line(head);
    line += text;
    return line;
}

std::vector<std::string> FormatOnboardLines(const std::vector<std::string>& lines) {
    std::vector<std::string> texts;
    texts.reserve(lines.size());
    uint32_t location = 1;
    for (size_t i = 0; i < lines.size(); ++i) {
        texts.push_back(FormatOnboardLine(i, location, lines[i]));
        location += static_cast<uint32_t>(lines[i].size()) + 1;
    }
    return texts;
}

}  // namespace vendra
