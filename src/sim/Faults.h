// Faults on demand: a table of rules, each matching the frames that begin with a given text and
// spoiling the answer in one way. Rules fire on every match (persistent) or a given number of
// times, optionally after letting a number of matching frames through. Several rules may fire on
// one frame; they apply in table order. Not thread-safe: the simulator calls it under its lock.
//
// Text form (command line, network file): KIND[:key=value]...
//   kinds:  error     answer with an error status (the unit does not act)   status=C (default !)
//           noreply   the unit acts but its answer is lost
//           late      the answer comes late                                 ms=N (default 200)
//           nocr      the answer lacks its CR
//           overlong  the value text gets extra characters                  len=N (default 40)
//           garbage   bytes that are no answer, then CR                     text=T
//           wrongaddr the answer carries another unit digit                 digit=H (default +1)
//           offby     the number the answer carries is off by N                 by=N (default 1)
//           vanish    the line vanishes: master closed, link removed (no answer)   return=MS
//                     (comes back on the same link MS later; default: the simulator's
//                     --return-after, else never)
//           cut       the answer stops after some of its lines (a listing broken off)  lines=N
//                     (default 1; a prompt without CR counts as no line)
//           noise     a line without ':' before every line of the answer      text=T
//           slow      the answer's bytes come N ms apart                      ms=N (default 200)
//   common: match=TEXT (frame prefix, default every frame), count=N (fires N times, default
//           0 = always), skip=N (let N matching frames through first), once (= count=1)
//   Texts accept \r, \n, \t, \\ and \xHH escapes.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vendra::sim {

enum class FaultKind {
    ErrorStatus,
    NoReply,
    LateReply,
    NoCarriageReturn,
    Overlong,
    Garbage,
    WrongAddress,
    Vanish,
    Cut,
    Noise,
    OffBy,
    Slow
};

struct Fault {
    FaultKind kind = FaultKind::ErrorStatus;
    std::string match;  // frame prefix (without CR); empty: every frame
    int count = 0;      // times it fires; 0: persistent
    int skip = 0;       // matching frames let through before it fires
    char status = '!';
    int delayMs = 200;
    int extra = 40;
    std::string text = "\x15~?\x7f";
    int digit = -1;     // -1: the unit's digit + 1
    int lines = 1;      // cut: lines of the answer that still go out
    long by = 1;        // offby: added to the answer's number
    int returnMs = -1;  // vanish: the line comes back this long after; -1: as the options say
};

// The first `lines` CR-ended lines of an answer (cut), and an answer with `noise` as a line of its
// own before each of its lines (noise).
std::string FirstLines(const std::string& answer, int lines);
std::string WithNoiseLines(const std::string& answer, const std::string& noise);

struct FaultEntry {
    int id = 0;
    Fault fault;
    int seen = 0;  // matching frames so far
    int hits = 0;  // times it fired
    bool Spent() const { return fault.count > 0 && hits >= fault.count; }
};

class FaultTable {
  public:
    int Add(const Fault& fault);
    bool Remove(int id);
    void Clear() { entries_.clear(); }
    const std::vector<FaultEntry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }
    // The rules that fire for `frame`, counted as fired. `answered`: the frame goes to a unit that
    // answers; otherwise only vanish rules can fire.
    std::vector<Fault> Fire(const std::string& frame, bool answered);

  private:
    std::vector<FaultEntry> entries_;
    int nextId_ = 1;
};

std::optional<Fault> ParseFault(const std::string& rule, std::string& error);
std::string FaultKindName(FaultKind kind);
// Decodes \r, \n, \t, \\, \xHH.
std::string UnescapeText(const std::string& text);
// Printable form of bytes for logs: control bytes as \r, \n, \xHH.
std::string EscapeBytes(const std::string& bytes);
// The value text with its leading number (optional '-', digits) moved by `by`; the rest is kept.
// A value without a leading number is returned as it is.
std::string ShiftLeadingNumber(const std::string& value, long by);

}  // namespace vendra::sim
