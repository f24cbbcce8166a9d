#include "sim/SimConfig.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace vendra::sim {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ParseInt64(const std::string& text, int64_t& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ParseDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// A status setting is one printable character.
bool ParseStatusChar(const std::string& text, char& out) {
    if (text.size() != 1 || text[0] < 0x21 || text[0] > 0x7e) return false;
    out = text[0];
    return true;
}

bool SplitSetting(const std::string& token, std::string& key, std::string& value) {
    auto eq = token.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    key = token.substr(0, eq);
    value = token.substr(eq + 1);
    return true;
}

// "D3" -> family and address; the AxisBoard unit is named with X.
bool ParseUnitName(const std::string& name, Family& family, int& address) {
    if (name.size() != 2) return false;
    auto f = FamilyFromLetter(name[0]);
    int a = HexDigitValue(name[1]);
    if (!f || a < 0 || (name[1] >= 'a' && name[1] <= 'f')) return false;
    family = *f;
    address = a;
    return true;
}

}  // namespace

char FamilyLetter(Family family) {
    switch (family) {
        case Family::DBoard:
            return 'D';
        case Family::UBoard:
            return 'U';
        case Family::HBoard:
            return 'H';
        case Family::AxisBoard:
            return 'X';
        case Family::QBoard:
            return 'Q';
    }
    return '?';
}

std::optional<Family> FamilyFromLetter(char letter) {
    switch (letter) {
        case 'D':
            return Family::DBoard;
        case 'U':
            return Family::UBoard;
        case 'H':
            return Family::HBoard;
        case 'X':
            return Family::AxisBoard;
        case 'Q':
            return Family::QBoard;
        default:
            return std::nullopt;
    }
}

std::string UnitConfig::Name() const {
    return std::string(1, FamilyLetter(family)) + "0123456789ABCDEF"[address & 15];
}

std::string MotorId::Name() const {
    char letter = family == Family::AxisBoard ? "WXYZ"[axis & 3] : FamilyLetter(family);
    return std::string(1, letter) + "0123456789ABCDEF"[unit & 15];
}

std::optional<MotorId> ParseMotorId(const std::string& text) {
    if (text.size() != 2) return std::nullopt;
    int unit = HexDigitValue(text[1]);
    if (unit < 0 || (text[1] >= 'a' && text[1] <= 'f')) return std::nullopt;
    MotorId id;
    id.unit = unit;
    switch (text[0]) {
        case 'D':
            id.family = Family::DBoard;
            break;
        case 'U':
            id.family = Family::UBoard;
            break;
        case 'H':
            id.family = Family::HBoard;
            break;
        case 'W':
        case 'X':
        case 'Y':
        case 'Z':
            id.family = Family::AxisBoard;
            id.axis = text[0] == 'W' ? 0 : text[0] - 'X' + 1;
            break;
        default:
            return std::nullopt;
    }
    return id;
}

std::vector<std::string> SplitQuoted(const std::string& text, const std::string& separators) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && separators.find(c) != std::string::npos) {
            if (any || !current.empty()) parts.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any || !current.empty()) parts.push_back(current);
    return parts;
}

bool IsBoardBaud(uint32_t baud) {
    for (int code = 0; code <= 6; ++code)
        if (BaudForCode(code) == baud) return true;
    return false;
}

uint32_t BaudForCode(int code) {
    static const uint32_t rates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800};
    return code >= 0 && code <= 6 ? rates[code] : 0;
}

bool ParseUnit(const std::string& name, const std::vector<std::string>& settings, UnitConfig& out,
               std::string& error) {
    UnitConfig unit;
    if (!ParseUnitName(name, unit.family, unit.address)) {
        error = "bad unit name \"" + name + "\" (expected D, U, H, X or Q and one hex digit)";
        return false;
    }
    for (const auto& token : settings) {
        std::string key, value;
        if (!SplitSetting(token, key, value)) {
            error = "unit " + name + ": bad setting \"" + token + "\" (expected key=value)";
            return false;
        }
        bool ok = true;
        if (key == "ver" || key == "cpu") {
            int64_t v;
            ok = ParseInt64(value, v);
            if (ok) unit.items[key == "ver" ? 0 : 3] = value;
        } else if (key.size() >= 2 && key.size() <= 3 && key[0] == 'v') {
            int index = 0;
            for (size_t i = 1; i < key.size() && ok; ++i) {
                int d = HexDigitValue(key[i]);
                ok = d >= 0;
                index = index * 16 + d;
            }
            ok = ok && index < kInfoItemCount;
            if (ok) unit.items[index] = value;
        } else if (key == "speed") {
            double v;
            ok = ParseDouble(value, v);
            if (ok) unit.speed = v;
        } else if (key == "busy") {
            ok = ParseStatusChar(value, unit.busyStatus);
        } else if (key == "done") {
            ok = ParseStatusChar(value, unit.doneStatus);
        } else if (key == "reply") {
            ok = unit.family != Family::AxisBoard && unit.family != Family::QBoard &&
                 value.size() == 1 && std::isalpha(static_cast<unsigned char>(value[0]));
            if (ok) unit.replyLetter = value[0];
        } else if (key == "aset") {
            ok = value == "0" || value == "1";
            unit.aSetsPosition = value == "1";
        } else if (key == "program") {
            std::vector<std::string> lines;
            std::string why;
            if (!ReadProgramLines(value, lines, why)) {
                error = "unit " + name + ": " + why;
                return false;
            }
            unit.program = std::move(lines);
        } else {
            error = "unit " + name + ": unknown setting \"" + key + "\"";
            return false;
        }
        if (!ok) {
            error = "unit " + name + ": bad value in \"" + token + "\"";
            return false;
        }
    }
    out = unit;
    return true;
}

bool ReadProgramLines(const std::string& path, std::vector<std::string>& lines,
                      std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the program file " + path;
        return false;
    }
    lines.clear();
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return true;
}

bool ParseUnits(const std::string& text, std::vector<UnitConfig>& out, std::string& error) {
    std::vector<UnitConfig> units;
    for (const auto& item : SplitQuoted(text, ",")) {
        auto parts = SplitQuoted(item, ":");
        if (parts.empty() || parts[0].empty()) {
            error = "empty unit in \"" + text + "\"";
            return false;
        }
        UnitConfig unit;
        if (!ParseUnit(parts[0], {parts.begin() + 1, parts.end()}, unit, error)) return false;
        units.push_back(unit);
    }
    out.insert(out.end(), units.begin(), units.end());
    return true;
}

bool ParseLink(const std::string& channel, const std::string& motor,
               const std::vector<std::string>& settings, LinkConfig& out, std::string& error) {
    LinkConfig link;
    if (channel.size() != 4 || channel[0] != 'Q' || channel[2] != '.' ||
        HexDigitValue(channel[1]) < 0 || (channel[3] != '0' && channel[3] != '1') ||
        (channel[1] >= 'a' && channel[1] <= 'f')) {
        error = "bad encoder channel \"" + channel + "\" (expected Q<unit>.<0|1>, e.g. Q0.1)";
        return false;
    }
    link.qboard = HexDigitValue(channel[1]);
    link.channel = channel[3] - '0';
    auto id = ParseMotorId(motor);
    if (!id) {
        error = "bad motor \"" + motor + "\" (expected D3, U2, H1 or an axis like X1, Y1)";
        return false;
    }
    link.motor = *id;
    for (const auto& token : settings) {
        std::string key, value;
        bool ok = SplitSetting(token, key, value);
        if (ok && key == "offset") {
            ok = ParseInt64(value, link.offset);
        } else if (ok && key == "scale") {
            ok = ParseDouble(value, link.scale);
        } else if (ok && key == "slip") {
            ok = ParseDouble(value, link.slip) && link.slip >= 0.0 && link.slip < 1.0;
        } else if (ok) {
            error = "link " + channel + ": unknown setting \"" + key + "\"";
            return false;
        }
        if (!ok) {
            error = "link " + channel + ": bad setting \"" + token + "\"";
            return false;
        }
    }
    out = link;
    return true;
}

const char* UnitSettingsHelp() {
    return "  ver=N       software version (information item 0, the \"v0\" reply); below 105 a\n"
           "              unit answers items 0..9, up to 106 items 0..15, from then on all 30\n"
           "  cpu=N       CPU type code (information item 3, the \"v3\" reply)\n"
           "  vI=TEXT     information item I (hex 0..1D), e.g. v4=33, vF=4000, vA=\"Jan 15 2024\"\n"
           "              (an item given is answered whatever the version)\n"
           "  speed=N     steps per second of its motors (0: moves end at once)\n"
           "  busy=C      status while a motor moves (b, w or a; default b)\n"
           "  done=C      status when the motor stands (default f; > is also common)\n"
           "  reply=C     the letter a DBoard, UBoard or HBoard unit answers with (default its\n"
           "              family letter; d, u, h or another letter are legal too)\n"
           "  aset=1      \"A<n>\" sets the position register without moving (default 0: A "
           "moves)\n"
           "  program=FILE  its program memory starts with the lines of FILE (one per text\n"
           "              line, blank lines skipped); vF=N sets the memory's size in characters\n";
}

}  // namespace vendra::sim
