#include "core/serial/FrameText.h"

#include <cctype>

namespace vendra {

void EnsureCarriageReturn(std::string& text) {
    if (text.find('\r') == std::string::npos) text += '\r';
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
