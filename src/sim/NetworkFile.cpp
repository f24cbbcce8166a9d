#include "sim/NetworkFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/Faults.h"

namespace vendra::sim {

namespace {

// Drops a comment: '#' at the start or after a blank, outside quotes.
std::string StripComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (!quoted && line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    }
    return line;
}

bool ParseCount(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

}  // namespace

bool ParseNetworkText(const std::string& text, const std::string& name, Options& options,
                      std::string& error, const std::string& baseFolder) {
    Options result = options;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = name + ":" + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        auto words = SplitQuoted(StripComment(raw), " \t");
        if (words.empty()) continue;
        const std::string& keyword = words[0];
        std::vector<std::string> rest(words.begin() + 1, words.end());
        std::string why;
        if (keyword == "unit") {
            if (rest.empty()) return fail("unit needs a name, e.g. unit D3 ver=205");
            UnitConfig unit;
            std::vector<std::string> settings(rest.begin() + 1, rest.end());
            // A program file named in a network file is found beside it.
            for (std::string& s : settings)
                if (!baseFolder.empty() && s.rfind("program=", 0) == 0 && s.size() > 8 &&
                    s[8] != '/')
                    s = "program=" + baseFolder + "/" + s.substr(8);
            if (!ParseUnit(rest[0], settings, unit, why)) return fail(why);
            result.units.push_back(unit);
        } else if (keyword == "link") {
            if (rest.size() < 2) return fail("link needs a channel and a motor, e.g. link Q0.0 D3");
            LinkConfig link;
            if (!ParseLink(rest[0], rest[1], {rest.begin() + 2, rest.end()}, link, why))
                return fail(why);
            result.links.push_back(link);
        } else if (keyword == "baud") {
            double rate = 0;
            if (rest.size() != 1 || !ParseCount(rest[0], rate) ||
                !IsBoardBaud(static_cast<uint32_t>(rate)))
                return fail("baud needs one of 9600, 19200, 38400, 57600, 115200, 230400, 460800");
            result.boardBaud = static_cast<uint32_t>(rate);
        } else if (keyword == "speed") {
            double speed = 0;
            if (rest.size() != 1 || !ParseCount(rest[0], speed))
                return fail("speed needs a number of steps per second");
            result.defaultSpeed = speed;
        } else if (keyword == "pace") {
            if (rest.size() != 1 || (rest[0] != "on" && rest[0] != "off"))
                return fail("pace needs on or off");
            result.pace = rest[0] == "on";
        } else if (keyword == "replies") {
            if (rest.size() != 1 || (rest[0] != "upper" && rest[0] != "lower"))
                return fail("replies needs upper or lower");
            result.lowerCaseReplies = rest[0] == "lower";
        } else if (keyword == "memory") {
            double size = 0;
            if (rest.size() != 1 || !ParseCount(rest[0], size) || size < 1 || size > (1 << 24))
                return fail("memory needs a number of characters");
            result.programSize = static_cast<uint32_t>(size);
        } else if (keyword == "fault") {
            if (rest.size() != 1) return fail("fault needs one rule, e.g. fault late:ms=300");
            if (!ParseFault(rest[0], why)) return fail(why);
            result.faults.push_back(rest[0]);
        } else {
            return fail("unknown statement \"" + keyword +
                        "\" (unit, link, baud, speed, pace, replies, memory, fault)");
        }
    }
    options = result;
    return true;
}

bool LoadNetworkFile(const std::string& path, Options& options, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the network file " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    return ParseNetworkText(text.str(), path, options, error, folder);
}

}  // namespace vendra::sim
