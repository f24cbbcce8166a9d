// The texts the on-board program transfer sends, per board family. DBoard, UBoard and HBoard
// units are stopped, erased and started with global frames ("GG" prefix); the axes of an
// AxisBoard unit and QBoard units with their own letter (W, X, Y, Z, Q) in front of the command.
//
// Error rule: pure functions; a family code outside 0..7 (or a unit above 15) gives "".
// Thread rule: no state; safe from any thread.
#pragma once
#include <cstdint>
#include <string>

namespace vendra {

// True for the families whose program commands are global frames (DBoard, UBoard, HBoard).
bool OnboardUsesGlobalFrames(uint8_t familyCode);

// Command texts for the board transaction (which adds the unit address where the family has one).
std::string OnboardStarText(uint8_t familyCode);                   // "X*\r", "GG*\r"
std::string OnboardEraseText(uint8_t familyCode);                  // "XZ\r", "GGZ\r"
std::string OnboardRunText(uint8_t familyCode, uint32_t address);  // "XK1\r", "GGK1\r"

// The frame of an on-board command to one unit: family letter, unit digit, text ("D5vF\r",
// "X1D1\r", "Q0Q1\r"), with a CR appended when the text holds none.
std::string OnboardCommandFrame(uint8_t familyCode, unsigned unit, const std::string& text);

// The line that ends a program listing: the family's lower-case letter, the unit digit and 'c'
// ("d5c", "x1c", "q0c").
std::string OnboardEndMarker(uint8_t familyCode, unsigned unit);

// Command texts of the listing and the load (the size query is protocol::kProgramSizeText).
std::string OnboardListText(uint32_t address);  // "D1\r"
std::string OnboardLoadText(uint32_t address);  // "Q1\r"
// What ends a load: ESC and three CRs.
inline constexpr const char* kOnboardLoadEnd = "\x1b\r\r\r";

}  // namespace vendra
