#include "core/onboard/IeeFile.h"

#include <cerrno>

#include "core/base/AtomicFile.h"
#include "core/base/PathNames.h"
#include "core/base/PlatformFiles.h"

namespace vendra {

namespace {

constexpr int kCtrlZ = 26;

struct LineBuilder {
    std::string& line;
    bool& cut;
    IeeReadPosition& position;
    void Add(int c) {
        // A NUL would end the line's text on the board; it carries nothing a line can use.
        if (c == 0) {
            std::vector<uint32_t>& nul = position.NulLines;
            if (nul.empty() || nul.back() != position.Line) nul.push_back(position.Line);
            return;
        }
        if (line.size() < kOnboardLineChars)
            line += static_cast<char>(c);
        else
            cut = true;
    }
};

}  // namespace

bool ReadIeeLine(std::FILE* file, std::string& line, bool& cut, IeeReadPosition* position) {
    line.clear();
    cut = false;
    IeeReadPosition unused;
    IeeReadPosition& at = position != nullptr ? *position : unused;
    LineBuilder builder{line, cut, at};
    auto next = [&] {
        int c = std::getc(file);
        if (c == '\n') ++at.Line;
        return c;
    };
    for (;;) {
        int c = next();
        if (c == EOF || c == kCtrlZ) return false;
        if (c == '\r') continue;
        if (c == '\n') {
            if (!line.empty()) return true;
            continue;
        }
        if (c == '"') {
            for (;;) {
                c = next();
                if (c == EOF) return false;
                if (c == '"') break;
                builder.Add(c);
            }
            continue;
        }
        if (c == ';') {
            // The comment runs to the end of its text line, whatever it holds (a Ctrl-Z too). It
            // also ends at a bare LF, so that a comment in a file written with LF line ends does
            // not swallow the lines after it.
            for (;;) {
                c = next();
                if (c == EOF) return false;
                if (c == '\r' || c == '\n') return true;
            }
        }
        builder.Add(c);
    }
}

std::vector<std::string> ReadIeeLines(std::FILE* file, IeeLoadReport& report) {
    std::vector<std::string> lines;
    std::string line;
    bool cut = false;
    IeeReadPosition position;
    for (bool more = true; more;) {
        more = ReadIeeLine(file, line, cut, &position);
        if (line.empty()) continue;
        if (lines.size() >= kOnboardCapacity) {
            report.LinesDropped = true;
            break;
        }
        if (cut) ++report.LinesCut;
        lines.push_back(line);
    }
    report.NulLines = std::move(position.NulLines);
    return lines;
}

std::string IeeNulLinesNote(const IeeLoadReport& report) {
    const std::vector<uint32_t>& nul = report.NulLines;
    if (nul.empty()) return {};
    constexpr size_t kNamed = 10;
    std::string lines;
    for (size_t i = 0; i < nul.size() && i < kNamed; ++i)
        lines += (i ? ", " : "") + std::to_string(nul[i]);
    if (nul.size() > kNamed) lines += " and " + std::to_string(nul.size() - kNamed) + " more";
    return "a NUL byte was dropped from line(s) " + lines;
}

bool LoadIeeFile(OnboardProgram& program, const std::string& path, IeeLoadReport& report) {
    report = IeeLoadReport{};
    int error = 0;
    std::FILE* file = OpenRegularFile(path, error);
    if (file == nullptr) {
        report.Status = IeeLoadStatus::CannotOpen;
        report.Error = error;
        return false;
    }
    std::vector<std::string> lines = ReadIeeLines(file, report);
    bool failed = std::ferror(file) != 0;
    int err = errno;
    std::fclose(file);
    if (failed) {
        report.Status = IeeLoadStatus::ReadError;
        report.Error = err;
        return false;
    }
    program.ReplaceLines(std::move(lines));
    program.OnboardCurrentLine = 0;
    return true;
}

std::string IeeFileName(const std::string& path) {
    return HasExtension(path) ? path : path + ".IEE";
}

std::string IeeFileLine(const std::string& line) {
    // The reader would end such a line early (a comment, a line end, the end of the file);
    // within quotes it reads the text as it is. A line holding a double quote cannot be quoted.
    bool special = line.find_first_of(";\r\n\x1a") != std::string::npos;
    if (special && line.find('"') == std::string::npos) return "\"" + line + "\"\r\n";
    return line + "\r\n";
}

bool SaveIeeFile(const OnboardProgram& program, const std::string& path, std::string* error) {
    std::string bytes;
    for (const std::string& line : program.Lines()) bytes += IeeFileLine(line);
    return WriteFileAtomically(IeeFileName(path), bytes, error);
}

std::string IeeBaseName(const std::string& path) {
    return BaseNameOf(path);
}

}  // namespace vendra
