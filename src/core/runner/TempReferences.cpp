#include "core/runner/TempReferences.h"

#include <cctype>

namespace vendra {

bool ExpandTempReferences(std::string& text,
                          const std::atomic<uint32_t> (&registers)[kTempRegisters]) {
    static constexpr std::string_view kLetters = "TEMP";
    // The loop is skipped for the common case: no '#' at all.
    if (text.find('#') == std::string::npos) return false;

    std::string out;
    out.reserve(text.size() + 16);
    bool expanded = false;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '#') {
            out += text[i++];
            continue;
        }
        // A possible reference starts at i: '#', T, E, M, P, digits, '#'.
        size_t j = i + 1;
        size_t k = 0;
        while (k < kLetters.size() && j < text.size() && text[j] == kLetters[k]) ++j, ++k;
        size_t digitsBegin = j;
        uint64_t number = 0;
        while (k == kLetters.size() && j < text.size() && std::isdigit((unsigned char)text[j])) {
            if (number < kTempRegisters) number = number * 10 + (text[j] - '0');
            ++j;
        }
        bool complete =
            k == kLetters.size() && j > digitsBegin && j < text.size() && text[j] == '#';
        if (complete && number < kTempRegisters) {
            out += std::to_string(registers[number].load());
            expanded = true;
            i = j + 1;
        } else if (complete) {
            out.append(text, i, j + 1 - i);  // no such register: left as typed
            i = j + 1;
        } else {
            // Broken pattern: copy what was read; the breaking character is looked at afresh, so
            // a '#' there may begin the next reference.
            out.append(text, i, j - i);
            i = j;
        }
    }
    if (expanded) text = std::move(out);
    return expanded;
}

}  // namespace vendra
