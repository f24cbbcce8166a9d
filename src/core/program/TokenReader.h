// The field reader of program files: one field per call, from an open stream.
// Grammar: inside double quotes every byte but '"' is taken (commas, semicolons, CR and LF
// included). Outside quotes: '"' opens quotes, ',' ends the field, ';' ends the field and starts
// the comment, which runs to the next CR or LF (neither is stored; every other byte, Ctrl-Z too,
// is part of it); blanks, tabs and CR are skipped; LF ends a field that has taken at least one
// byte (else it is skipped); Ctrl-Z (26) ends the file; every other byte is taken.
// Limits: fields and comments keep their first 149 bytes; the rest of an overlong field is read
// and dropped, and the cut is counted.
// Errors: end of file, Ctrl-Z outside quotes and comments, and read errors all end the stream; once
// ended, every further call returns an empty field at end. The caller tells a read error from an
// end by ferror(). Thread rule: one reader per stream, used by one thread.
#pragma once
#include <cstdint>
#include <cstdio>

#include "core/program/ProgramModel.h"

namespace vendra {

class TokenReader {
  public:
    explicit TokenReader(std::FILE* file) : file_(file) {}

    // Reads one field into field and the comment that follows it (if any) into comment, both
    // kTextSize bytes and always terminated. Returns 0 at a field separator, 1 at end of file.
    int ReadToken(char (&field)[kTextSize], char (&comment)[kTextSize]);

    bool AtEnd() const { return atEnd_; }
    // Fields and comments that were longer than 149 bytes.
    uint32_t CutCount() const { return cutCount_; }
    // The field, or the comment, of the last call held a NUL byte: as a C string it ends there,
    // so whatever followed the NUL in that field is lost.
    bool FieldHadNul() const { return fieldNul_; }
    bool CommentHadNul() const { return commentNul_; }
    // Where the last call met line ends, for a reader that keeps program lines apart: an LF was
    // skipped before the field took anything (it starts on a later line); the field ended its
    // line (at an LF, or in a comment, which runs to the line end); the field is empty and ended
    // at the end of the file, so it took nothing from any line.
    bool LineEndBefore() const { return lineEndBefore_; }
    bool LineEndAfter() const { return lineEndAfter_; }
    bool EmptyAtEnd() const { return emptyAtEnd_; }

  private:
    int ReadComment(char (&comment)[kTextSize]);

    std::FILE* file_;
    bool atEnd_ = false;
    uint32_t cutCount_ = 0;
    bool fieldNul_ = false;
    bool commentNul_ = false;
    bool lineEndBefore_ = false;
    bool lineEndAfter_ = false;
    bool emptyAtEnd_ = false;
};

}  // namespace vendra
