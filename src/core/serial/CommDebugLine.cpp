#include "core/serial/CommDebugLine.h"

#include <charconv>
#include <cstdio>

namespace vendra {

namespace {

constexpr std::string_view kSeparator = " - ";
constexpr std::string_view kDiscarded = "discarded: ";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Upper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}
bool IsLetter(char c) {
    return Upper(c) >= 'A' && Upper(c) <= 'Z';
}

// Reads a number at `at` and moves past it; false when there is none.
template <class T>
bool ReadNumber(std::string_view line, size_t& at, T& value) {
    const char* end = line.data() + line.size();
    auto r = std::from_chars(line.data() + at, end, value);
    if (r.ec != std::errc() || r.ptr == line.data() + at) return false;
    at = static_cast<size_t>(r.ptr - line.data());
    return true;
}

bool ContainsFolded(std::string_view hay, std::string_view lowerNeedle) {
    const size_t n = lowerNeedle.size();
    if (n > hay.size()) return false;
    const char first = lowerNeedle[0], firstUpper = Upper(first);
    const char* last = hay.data() + (hay.size() - n);
    for (const char* p = hay.data(); p <= last; ++p) {
        if (*p != first && *p != firstUpper) continue;
        size_t k = 1;
        while (k < n && Lower(p[k]) == lowerNeedle[k]) ++k;
        if (k == n) return true;
    }
    return false;
}

void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendMillis(std::string& out, uint64_t micros) {
    char text[32];
    int n = std::snprintf(text, sizeof text, "%llu.%03llu",
                          static_cast<unsigned long long>(micros / 1000),
                          static_cast<unsigned long long>(micros % 1000));
    out.append(text, static_cast<size_t>(n));
}

}  // namespace

CommDebugLineParts ParseCommDebugLine(std::string_view line) {
    CommDebugLineParts parts;
    size_t at = 2;
    if (line.starts_with("->")) {
        parts.sent = true;
        if (!ReadNumber(line, at, parts.programLine) || at >= line.size() || line[at] != '/')
            return parts;
        ++at;
    } else if (!line.starts_with("<-")) {
        return parts;
    }
    if (!ReadNumber(line, at, parts.number) || line.substr(at, kSeparator.size()) != kSeparator)
        return parts;
    parts.text = line.substr(at + kSeparator.size());
    std::string_view unit = parts.text;
    if (!parts.sent && unit.starts_with(kDiscarded)) unit.remove_prefix(kDiscarded.size());
    parts.unit = unit.substr(0, 2);
    parts.valid = true;
    return parts;
}

CommDebugFilter::CommDebugFilter(std::string_view text, CommDirection direction,
                                 std::string_view unit)
    : direction_(direction) {
    for (char c : text) needle_ += Lower(c);
    unitSet_ = !unit.empty();
    if (!unitSet_) return;
    unitValid_ =
        unit.size() <= 2 && IsLetter(unit[0]) && (unit.size() == 1 || HexDigit(unit[1]) >= 0);
    if (!unitValid_) return;
    unitLetter_ = Upper(unit[0]);
    if (unit.size() == 2) unitDigit_ = HexDigit(unit[1]);
}

bool CommDebugFilter::Matches(std::string_view line) const {
    if (!unitValid_) return false;
    if (direction_ != CommDirection::Any || unitSet_) {
        const CommDebugLineParts parts = ParseCommDebugLine(line);
        if (!parts.valid) return false;
        if (direction_ == CommDirection::Sent && !parts.sent) return false;
        if (direction_ == CommDirection::Received && parts.sent) return false;
        if (unitSet_) {
            if (parts.unit.empty() || Upper(parts.unit[0]) != unitLetter_) return false;
            if (unitDigit_ >= 0 && (parts.unit.size() < 2 || HexDigit(parts.unit[1]) != unitDigit_))
                return false;
        }
    }
    return needle_.empty() || ContainsFolded(line, needle_);
}

std::string CommDebugCsvHeader(bool withTime) {
    return withTime ? "number,direction,program_line,time_ms,frame\r\n"
                    : "number,direction,program_line,frame\r\n";
}

void AppendCommDebugCsvRow(std::string& out, std::string_view line, bool withTime,
                           uint64_t micros) {
    const CommDebugLineParts parts = ParseCommDebugLine(line);
    if (parts.valid) {
        out += std::to_string(parts.number);
        out += parts.sent ? ",sent," : ",received,";
        if (parts.sent) out += std::to_string(parts.programLine);
    } else {
        out += ",,";
    }
    out += ',';
    if (withTime) {
        AppendMillis(out, micros);
        out += ',';
    }
    AppendCsvField(out, parts.valid ? parts.text : line);
    out += "\r\n";
}

std::string FormatMillis(uint64_t micros) {
    std::string out;
    AppendMillis(out, micros);
    return out;
}

}  // namespace vendra
