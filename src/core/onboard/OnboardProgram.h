// The program a board keeps in its own program memory (its IEEPROM), as the IEEPROM editor holds
// it: up to 50000 text lines of up to 255 characters, which the host never interprets, with the
// editor's flags, the board's memory size, the start address and the transfer's progress box.
//
// A line's location is its first address in the board's memory: the first line starts at 1 and
// each line takes its length plus its CR.
//
// Error rule: line operations return false and change nothing when refused (program full or
// empty, index out of range); texts longer than 255 characters are cut, never refused.
// Thread rule: the lines are guarded by one mutex, because the editor (GUI thread) and the
// transfer worker both use them; each call is one locked step. Flags and numbers are atomics,
// texts SharedText. While a transfer reads a program from a board the editor leaves the lines
// alone (its controls are disabled) and shows them again when the transfer has ended.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/SharedText.h"

namespace vendra {

constexpr size_t kOnboardCapacity = 50000;            // lines
constexpr size_t kOnboardLineChars = 255;             // characters of one line
constexpr uint32_t kDefaultBoardProgramSize = 16000;  // until a board reports its size

// The progress box of the editor: caption and bar, written by the transfer, shown by the window.
struct OnboardProgress {
    SharedText Caption;
    std::atomic<uint32_t> BarMaximum{100};
    std::atomic<uint32_t> BarPosition{0};

    void Show(std::string caption, uint32_t maximum, uint32_t position) {
        Caption.Set(std::move(caption));
        BarMaximum = maximum;
        BarPosition = position;
    }
};

class OnboardProgram {
  public:
    OnboardProgram() = default;
    OnboardProgram(const OnboardProgram&) = delete;
    OnboardProgram& operator=(const OnboardProgram&) = delete;

    // ---- lines ----
    size_t OnboardLineCount() const;
    bool Full() const { return OnboardLineCount() >= kOnboardCapacity; }
    // The text of line `index`; "" for an index past the last line.
    std::string Line(size_t index) const;
    // Every line, copied in one locked step.
    std::vector<std::string> Lines() const;
    // Replaces line `index` (< count).
    bool SetLine(size_t index, std::string_view text);
    // Adds a line after the last one; false when the program is full.
    bool AppendLine(std::string_view text);
    // Inserts an empty line at `index` (0..count); later lines move down by one. False when the
    // program is full or the index is past the end.
    bool InsertBlankLine(size_t index);
    // Removes line `index`; later lines move up by one. False when there is no such line.
    bool DeleteLine(size_t index);
    // Copies line `from` over line `to`. Refused when either index is at or above the capacity,
    // or `to` names no line; a `from` past the last line copies an empty line.
    bool CopyLine(size_t from, size_t to);
    // Replaces the whole program (at most kOnboardCapacity lines are kept, each cut to 255).
    void ReplaceLines(std::vector<std::string> lines);
    void ClearLines();

    // ---- the editor's state ----
    std::atomic<int32_t> OnboardCurrentLine{-1};  // line being edited or selected; -1 none
    std::atomic<uint32_t> OnboardModified{0};     // changed by add, insert, edit, delete
    std::atomic<uint32_t> OnboardSaved{0};
    SharedText OnboardName;  // base name of the .IEE file (no folder, no extension)
    std::atomic<uint32_t> BoardProgramSize{kDefaultBoardProgramSize};
    std::atomic<uint32_t> OnboardStartAddress{1};
    OnboardProgress Progress;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Empties the program: no lines, current line 0, not modified, not saved.
void ClearOnboardProgram(OnboardProgram& program);

// The list text of one line: "%05u/%05u - %s" with the line number counted from 1 and the
// line's location.
std::string FormatOnboardLine(size_t index, uint32_t location, std::string_view text);
// The list texts of every line, locations counted from 1.
std::vector<std::string> FormatOnboardLines(const std::vector<std::string>& lines);
// Text cut to the 255 characters a line holds.
std::string_view CutOnboardLine(std::string_view text);

}  // namespace vendra
