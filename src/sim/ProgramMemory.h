// A unit's program memory (its IEEPROM) and the exchanges that read, load, erase and start it.
//
// The memory holds characters at addresses 1..size; a line is stored as its text and a CR, and an
// erased byte (0xFF) ends the program. Commands (the text after the unit's address):
//   D<a>   listing from address a: one line "<address>:<text>" (address at least four digits)
//          per stored line, then the end marker (lower-case family letter, unit digit, 'c')
//   Q<a>   load from address a: the unit answers ':' and takes every line it hears as program
//          text, answering ':' after each, until a line that begins with ESC; a line that does
//          not fit ends the load with a parameter error ('!')
//   Z      erase            *   stop the program            K<a>   run from address a
// An address of 0 or past the memory is a parameter error.
// Not thread-safe: the simulator calls it under its lock.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vendra::sim {

// What a program command answers: raw bytes (a listing, a prompt) or a status reply.
struct ProgramAnswer {
    std::string raw;  // empty: a status reply with `status`
    char status = '>';
};

class UnitProgram {
  public:
    static constexpr uint8_t kErased = 0xFF;
    static constexpr char kLoadEnd = '\x1b';

    explicit UnitProgram(uint32_t size);

    // A program command, or nothing when `body` is none. `endMarker` ends a listing.
    std::optional<ProgramAnswer> Command(const std::string& body, const std::string& endMarker);
    // One line heard while loading: the next prompt, an error when the line does not fit, or
    // nothing once a line beginning with ESC has ended the load.
    std::optional<ProgramAnswer> LoadLine(const std::string& line);

    bool Loading() const { return loading_; }
    bool Running() const { return running_; }
    uint32_t RunAddress() const { return running_ ? runAddress_ : 0; }
    void Stop() { running_ = false; }
    void Run(uint32_t address);
    void Erase();

    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }
    // A new size keeps what fits and adds erased bytes.
    void Resize(uint32_t size);
    // The stored lines from address 1 up to the first erased byte.
    std::vector<std::string> Lines() const;
    // Erases, then stores the lines from address 1; false (memory erased) when they do not fit.
    bool SetLines(const std::vector<std::string>& lines);

  private:
    // Address + 1 after the line stored at `address`, or 0 when it does not fit.
    uint32_t Store(uint32_t address, const std::string& line);
    // Parses "<letter><digits>" into an address; nullopt when body is not that form.
    static std::optional<uint32_t> AddressOf(const std::string& body, char letter);
    bool ValidAddress(uint32_t address) const { return address >= 1 && address <= Size(); }

    std::vector<uint8_t> bytes_;
    bool loading_ = false;
    uint32_t loadAddress_ = 0;
    bool running_ = false;
    uint32_t runAddress_ = 0;
};

// The memory size a unit reports as information item F: its leading decimal digits.
uint32_t ProgramSizeOfItem(const std::string& item);

}  // namespace vendra::sim
