#include "sim/Faults.h"

#include <cstdio>
#include <cstdlib>

#include "sim/SimConfig.h"

namespace vendra::sim {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ParseCount(const std::string& text, int& out) {
    if (text.empty() || text.size() > 9) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

struct KindName {
    const char* name;
    FaultKind kind;
};
const KindName kKinds[] = {
    {"error", FaultKind::ErrorStatus},
    {"noreply", FaultKind::NoReply},
    {"late", FaultKind::LateReply},
    {"nocr", FaultKind::NoCarriageReturn},
    {"overlong", FaultKind::Overlong},
    {"garbage", FaultKind::Garbage},
    {"wrongaddr", FaultKind::WrongAddress},
    {"vanish", FaultKind::Vanish},
    {"cut", FaultKind::Cut},
    {"noise", FaultKind::Noise},
    {"offby", FaultKind::OffBy},
    {"slow", FaultKind::Slow},
};

}  // namespace

std::string FaultKindName(FaultKind kind) {
    for (const auto& k : kKinds)
        if (k.kind == kind) return k.name;
    return "?";
}

std::string UnescapeText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r') {
            out += '\r';
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'x' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EscapeBytes(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string ShiftLeadingNumber(const std::string& value, long by) {
    size_t digits = value.size() > 0 && value[0] == '-' ? 1 : 0;
    const size_t first = digits;
    while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') ++digits;
    // No number, or one too long to move without overflow: the answer stays as it is.
    if (digits == first || digits - first > 18) return value;
    const long long number = std::strtoll(value.substr(0, digits).c_str(), nullptr, 10);
    return std::to_string(number + by) + value.substr(digits);
}

std::optional<Fault> ParseFault(const std::string& rule, std::string& error) {
    auto parts = SplitQuoted(rule, ":");
    if (parts.empty()) {
        error = "empty fault";
        return std::nullopt;
    }
    Fault fault;
    bool known = false;
    if (parts[0] == "noise") fault.text = "-- noise --";
    for (const auto& k : kKinds)
        if (parts[0] == k.name) {
            fault.kind = k.kind;
            known = true;
        }
    if (!known) {
        error = "unknown fault kind \"" + parts[0] +
                "\" (error, noreply, late, nocr, overlong, garbage, wrongaddr, vanish, cut, "
                "noise, offby, slow)";
        return std::nullopt;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& token = parts[i];
        if (token == "once") {
            fault.count = 1;
            continue;
        }
        auto eq = token.find('=');
        std::string key = token.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : token.substr(eq + 1);
        bool ok = eq != std::string::npos;
        if (ok && key == "match") {
            fault.match = UnescapeText(value);
        } else if (ok && key == "count") {
            ok = ParseCount(value, fault.count);
        } else if (ok && key == "skip") {
            ok = ParseCount(value, fault.skip);
        } else if (ok && key == "status") {
            ok = value.size() == 1;
            if (ok) fault.status = value[0];
        } else if (ok && key == "ms") {
            ok = ParseCount(value, fault.delayMs);
        } else if (ok && key == "lines") {
            ok = ParseCount(value, fault.lines);
        } else if (ok && key == "len") {
            ok = ParseCount(value, fault.extra);
        } else if (ok && key == "text") {
            fault.text = UnescapeText(value);
        } else if (ok && key == "by") {
            char* end = nullptr;
            fault.by = std::strtol(value.c_str(), &end, 10);
            ok = !value.empty() && *end == '\0';
        } else if (ok && key == "return") {
            ok = ParseCount(value, fault.returnMs);
        } else if (ok && key == "digit") {
            fault.digit = value.size() == 1 ? HexValue(value[0]) : -1;
            ok = fault.digit >= 0;
        } else {
            error = "fault \"" + rule + "\": unknown setting \"" + token + "\"";
            return std::nullopt;
        }
        if (!ok) {
            error = "fault \"" + rule + "\": bad value in \"" + token + "\"";
            return std::nullopt;
        }
    }
    return fault;
}

std::string FirstLines(const std::string& answer, int lines) {
    size_t end = 0;
    for (int i = 0; i < lines; ++i) {
        size_t cr = answer.find('\r', end);
        if (cr == std::string::npos) return answer;
        end = cr + 1;
    }
    return answer.substr(0, end);
}

std::string WithNoiseLines(const std::string& answer, const std::string& noise) {
    std::string out;
    size_t begin = 0;
    while (begin < answer.size()) {
        size_t cr = answer.find('\r', begin);
        size_t end = cr == std::string::npos ? answer.size() : cr + 1;
        out += noise + "\r";
        out.append(answer, begin, end - begin);
        begin = end;
    }
    return out;
}

int FaultTable::Add(const Fault& fault) {
    FaultEntry e;
    e.id = nextId_++;
    e.fault = fault;
    entries_.push_back(e);
    return e.id;
}

bool FaultTable::Remove(int id) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->id == id) {
            entries_.erase(it);
            return true;
        }
    return false;
}

std::vector<Fault> FaultTable::Fire(const std::string& frame, bool answered) {
    std::vector<Fault> fired;
    for (auto& e : entries_) {
        if (e.Spent()) continue;
        if (!answered && e.fault.kind != FaultKind::Vanish) continue;
        if (frame.compare(0, e.fault.match.size(), e.fault.match) != 0) continue;
        if (e.seen++ < e.fault.skip) continue;
        ++e.hits;
        fired.push_back(e.fault);
    }
    return fired;
}

}  // namespace vendra::sim
