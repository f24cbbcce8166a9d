// The text functions a command goes through before it reaches the line, and the number rule of
// reply values, each against a plain restatement of its rule: the two must agree on every input.
#include <atomic>
#include <cctype>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "core/runner/TempReferences.h"
#include "core/serial/FrameText.h"

using namespace vendra;

namespace {

// "#TEMP<digits>#" names register <digits>; one of 0..73 is replaced by its value, any other is
// left as typed. Scanning goes left to right and a reference, once matched, is consumed whole.
std::string ReferenceExpand(const std::string& text,
                            const std::atomic<uint32_t> (&regs)[kTempRegisters], bool& expanded) {
    std::string out;
    expanded = false;
    for (size_t i = 0; i < text.size();) {
        size_t end = i + 5;
        bool match = text.compare(i, 5, "#TEMP") == 0;
        while (match && end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        match = match && end > i + 5 && end < text.size() && text[end] == '#';
        if (!match) {
            out += text[i++];
            continue;
        }
        std::string digits = text.substr(i + 5, end - i - 5);
        digits.erase(0, digits.find_first_not_of('0'));
        int number = digits.size() > 2 ? 999 : digits.empty() ? 0 : std::stoi(digits);
        if (number < kTempRegisters) {
            out += std::to_string(regs[number].load());
            expanded = true;
        } else {
            out += text.substr(i, end + 1 - i);
        }
        i = end + 1;
    }
    return expanded ? out : text;
}

// Each ','-separated piece that begins with an axis letter gets the unit digit after it.
std::string ReferenceAxis(char digit, const std::string& text) {
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string piece = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!piece.empty() && std::string("WXYZ").find(piece[0]) != std::string::npos)
            piece.insert(1, 1, digit);
        out += piece;
        if (comma == std::string::npos) return out;
        out += ',';
        start = comma + 1;
    }
}

// atol's rule, counted in 32 bits as the boards count.
int32_t ReferenceNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::string(" \t\n\v\f\r").find(text[i]) != std::string::npos) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose the register values and the unit digit; the rest is the text.
    static std::atomic<uint32_t> regs[kTempRegisters];
    for (int i = 0; i < kTempRegisters; ++i)
        regs[i] = static_cast<uint32_t>(i) * 2654435761u * (data[0] + 1u);
    const char digit = "0123456789ABCDEF"[data[1] & 15];
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::string expanded = text;
    bool changed = ExpandTempReferences(expanded, regs);
    bool referenceChanged = false;
    FUZZ_CHECK(expanded == ReferenceExpand(text, regs, referenceChanged));
    FUZZ_CHECK(changed == referenceChanged);

    FUZZ_CHECK(InsertAxisAddress(digit, text) == ReferenceAxis(digit, text));
    FUZZ_CHECK(ReplyNumber(text) == ReferenceNumber(text));

    std::string withCr = text;
    EnsureCarriageReturn(withCr);
    FUZZ_CHECK(withCr == (text.find('\r') == std::string::npos ? text + '\r' : text));
    return 0;
}
