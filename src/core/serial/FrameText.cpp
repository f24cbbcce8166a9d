#include "core/serial/FrameText.h"

#include <cctype>

namespace vendra {

void EnsureCarriageReturn(std::string& text) {
    if (text.find('\r') == std::string::npos) text += '\r';
}

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

std::string InsertAxisAddress(char unitDigit, std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        out += c;
        bool axis = c == 'W' || c == 'X' || c == 'Y' || c == 'Z';
        if (axis && (i == 0 || text[i - 1] == ',')) out += unitDigit;
    }
    return out;
}

int32_t ReplyNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace((unsigned char)text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint64_t value = 0;
    for (; i < text.size() && std::isdigit((unsigned char)text[i]); ++i)
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');  // wraps, never UB
    if (negative) value = ~value + 1;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace vendra
