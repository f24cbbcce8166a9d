#include "core/program/TokenReader.h"

#include "core/base/PlatformFiles.h"

namespace vendra {

namespace {
constexpr int kCtrlZ = 26;
constexpr size_t kKeep = kTextSize - 1;
}  // namespace

int TokenReader::ReadToken(char (&field)[kTextSize], char (&comment)[kTextSize]) {
    field[0] = '\0';
    comment[0] = '\0';
    fieldNul_ = commentNul_ = lineEndBefore_ = lineEndAfter_ = false;
    emptyAtEnd_ = true;
    if (atEnd_) return 1;

    size_t stored = 0;
    size_t counted = 0;
    bool quoted = false;
    bool cut = false;
    auto take = [&](int c) {
        ++counted;
        if (c == 0) fieldNul_ = true;
        if (stored < kKeep) {
            field[stored++] = static_cast<char>(c);
        } else {
            cut = true;
        }
    };
    auto finish = [&](int result) {
        field[stored] = '\0';
        if (cut) ++cutCount_;
        if (result == 1) atEnd_ = true;
        emptyAtEnd_ = result == 1 && counted == 0;
        return result;
    };

    for (;;) {
        int c = GetcUnlocked(file_);
        if (c == EOF) return finish(1);
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                take(c);
            }
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                break;
            case ',':
                return finish(0);
            case ';':
                finish(0);
                lineEndAfter_ = true;
                return ReadComment(comment);
            case ' ':
            case '\t':
            case '\r':
                break;
            case '\n':
                if (counted > 0) {
                    lineEndAfter_ = true;
                    return finish(0);
                }
                lineEndBefore_ = true;
                break;
            case kCtrlZ:
                return finish(1);
            default:
                take(c);
                break;
        }
    }
}

// The comment after ';' ends at CR or at LF, so that files with LF-only line ends (as Linux tools
// write them) read line by line like CR LF files do, or at the end of the file. Every other byte,
// Ctrl-Z included, belongs to the comment: a Ctrl-Z there does not end the file.
int TokenReader::ReadComment(char (&comment)[kTextSize]) {
    size_t stored = 0;
    bool cut = false;
    int result = 0;
    for (;;) {
        int c = GetcUnlocked(file_);
        if (c == EOF) {
            atEnd_ = true;
            result = 1;
            break;
        }
        if (c == '\r' || c == '\n') break;
        if (c == 0) commentNul_ = true;
        if (stored < kKeep) {
            comment[stored++] = static_cast<char>(c);
        } else {
            cut = true;
        }
    }
    comment[stored] = '\0';
    if (cut) ++cutCount_;
    return result;
}

}  // namespace vendra
