// What a simulated network is made of: its units, the encoder links, and the options of the
// simulator itself, plus the parsers of their text forms (the --units list, motor names, link
// lines). Parsers never throw: they return false (or nullopt) and fill an error text.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vendra::sim {

enum class Family { DBoard, UBoard, HBoard, AxisBoard, QBoard };

// The family letter used in unit names and in frames: D, U, H, X (AxisBoard), Q.
char FamilyLetter(Family family);
std::optional<Family> FamilyFromLetter(char letter);

constexpr int kInfoItemCount = 30;    // information items v0 .. v1D
constexpr int kProgramSizeItem = 15;  // item F: the program memory's size in characters

struct UnitConfig {
    Family family = Family::DBoard;
    int address = 0;  // 0..15
    // Overrides of the default information items (index 0..29 -> value text).
    std::map<int, std::string> items;
    std::optional<double> speed;  // steps per second; unset: the simulator's default
    char busyStatus = 0;          // 0: the simulator's default
    char doneStatus = 0;          // 0: the simulator's default
    // The letter a DBoard, UBoard or HBoard unit answers with; 0: the simulator's default (its
    // upper-case family letter, or the lower-case one with Options::lowerCaseReplies).
    char replyLetter = 0;
    // When true, "A<n>" sets the position register to n without moving (the motor stays where it
    // is physically); when false, "A<n>" is an absolute move like "M<n>".
    bool aSetsPosition = false;
    // The lines its program memory holds at the start (from address 1); unset: erased.
    std::optional<std::vector<std::string>> program;

    std::string Name() const;  // "D3", "X1", ...
};

// One motor of the network, named as frames address it: D3, U2, H1 (single-motor units) or an
// axis letter with the AxisBoard unit digit (W1, X1, Y1, Z1).
struct MotorId {
    Family family = Family::DBoard;
    int unit = 0;
    int axis = -1;  // 0..3 for W, X, Y, Z of an AxisBoard unit; -1 otherwise
    std::string Name() const;
    bool operator==(const MotorId&) const = default;
};

// A QBoard channel following a motor. The count the channel shows is
// offset + round(scale * the motor's physical counts); `slip` is the fraction of every move's
// steps that the motor loses (it belongs to the motor, so every encoder on it sees it).
struct LinkConfig {
    int qboard = 0;   // QBoard unit address
    int channel = 0;  // 0 or 1
    MotorId motor;
    int64_t offset = 0;
    double scale = 1.0;
    double slip = 0.0;
};

struct Options {
    std::string folder = ".";  // where the COM<n> link is made
    int port = 1;              // the link is named COM<port>
    std::vector<UnitConfig> units;
    std::vector<LinkConfig> links;
    uint32_t boardBaud = 57600;     // the rate the boards listen at when started
    bool pace = false;              // send and receive at line speed (10 bits per byte)
    double defaultSpeed = 10000.0;  // steps per second; 0 or less: moves end at once
    char defaultBusy = 'b';
    char defaultDone = 'f';
    // DBoard, UBoard and HBoard units answer "d3>" instead of "D3>" (their boards may do either).
    bool lowerCaseReplies = false;
    uint32_t programSize = 0;         // every unit's program memory in characters; 0: 2048
    bool keepMemoryLog = true;        // keep the byte log and frames in memory (tests read them)
    std::string logFile;              // also write the byte log to this file when not empty
    std::vector<std::string> faults;  // fault rules (see Faults.h), applied at Start
    // A line that vanished (VanishLine, a vanish fault without its own return=) comes back on the
    // same link this long after; -1: it stays away.
    int returnAfterMs = -1;
    // The boards take the host's time stamp ("<digits> : ", its "Time Stamp" check box) off the
    // front of every frame; otherwise a stamped frame reaches no unit.
    bool stampedFrames = false;
};

// "D3,X1:ver=205,Q0": units with optional ':'-separated settings (see UnitSettingsHelp()).
bool ParseUnits(const std::string& text, std::vector<UnitConfig>& out, std::string& error);
// One unit: its name followed by settings tokens ("ver=205", "cpu=11", "v4=33", ...).
bool ParseUnit(const std::string& name, const std::vector<std::string>& settings, UnitConfig& out,
               std::string& error);
std::optional<MotorId> ParseMotorId(const std::string& text);
// "Q0.1" (QBoard unit and channel), a motor name, then settings tokens offset=, scale=, slip=.
bool ParseLink(const std::string& channel, const std::string& motor,
               const std::vector<std::string>& settings, LinkConfig& out, std::string& error);

// Splits at any of `separators`, keeping double-quoted parts together (quotes removed).
std::vector<std::string> SplitQuoted(const std::string& text, const std::string& separators);
// Reads a program for a unit's memory: one line per text line (CR LF or LF ends it), blank lines
// skipped; nothing else is interpreted. False with `error` when the file cannot be read.
bool ReadProgramLines(const std::string& path, std::vector<std::string>& lines, std::string& error);
// Accepts "9600".."460800" among the board rates; false for anything else.
bool IsBoardBaud(uint32_t baud);
// The rate of a "GGc" code 0..6; 0 for any other code.
uint32_t BaudForCode(int code);

// The help text for the unit settings, shared by --help and the README.
const char* UnitSettingsHelp();

}  // namespace vendra::sim
