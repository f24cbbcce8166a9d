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
    void Add(int c) {
        // A NUL would end the line's text on the board; it carries nothing a line can use.
        if (c == 0) return;
        if (line.size() < kOnboardLineChars)
            line += static_cast<char>(c);
        else
            cut = true;
    }
};

}  // namespace

bool ReadIeeLine(std::FILE* file, std::string& line, bool& cut) {
    line.clear();
    cut = false;
    LineBuilder builder{line, cut};
    for (;;) {
        int c = std::getc(file);
        if (c == EOF || c == kCtrlZ) return false;
        if (c == '\r') continue;
        if (c == '\n') {
            if (!line.empty()) return true;
            continue;
        }
        if (c == '"') {
            for (;;) {
                c = std::getc(file);
                if (c == EOF) return false;
                if (c == '"') break;
                builder.Add(c);
            }
            continue;
        }
        if (c == ';') {
            // The comment runs to the end of its text line. It also ends at a bare LF, so that a
            // comment in a file written with LF line ends does not swallow the lines after it.
            for (;;) {
                c = std::getc(file);
                if (c == EOF || c == kCtrlZ) return false;
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
    for (bool more = true; more;) {
        more = ReadIeeLine(file, line, cut);
        if (line.empty()) continue;
        if (lines.size() >= kOnboardCapacity) {
            report.LinesDropped = true;
            break;
        }
        if (cut) ++report.LinesCut;
        lines.push_back(line);
    }
    return lines;
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
