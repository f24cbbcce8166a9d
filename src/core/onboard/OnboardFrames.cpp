#include "core/onboard/OnboardFrames.h"

#include "core/serial/BoardProtocol.h"
#include "core/serial/FrameText.h"

namespace vendra {

namespace {

constexpr uint8_t kLastFamily = 7;

std::string FamilyCommand(uint8_t f, const std::string& command) {
    if (f > kLastFamily) return {};
    if (OnboardUsesGlobalFrames(f)) return "GG" + command + "\r";
    return std::string(1, protocol::FamilyLetter(f)) + command + "\r";
}

}  // namespace

bool OnboardUsesGlobalFrames(uint8_t f) {
    return f <= 2;
}

std::string OnboardStarText(uint8_t f) {
    return FamilyCommand(f, "*");
}

std::string OnboardEraseText(uint8_t f) {
    return FamilyCommand(f, "Z");
}

std::string OnboardRunText(uint8_t f, uint32_t address) {
    return FamilyCommand(f, "K" + std::to_string(address));
}

std::string OnboardCommandFrame(uint8_t f, unsigned unit, const std::string& text) {
    char letter = protocol::FamilyLetter(f);
    char digit = protocol::UnitDigit(unit);
    if (letter == '\0' || digit == '\0') return {};
    std::string frame{letter, digit};
    frame += text;
    EnsureCarriageReturn(frame);
    return frame;
}

std::string OnboardEndMarker(uint8_t f, unsigned unit) {
    char letter = protocol::FamilyLowerLetter(f);
    char digit = protocol::UnitDigit(unit);
    if (letter == '\0' || digit == '\0') return {};
    return std::string{letter, digit, 'c'};
}

std::string OnboardListText(uint32_t address) {
    return "D" + std::to_string(address) + "\r";
}

std::string OnboardLoadText(uint32_t address) {
    return "Q" + std::to_string(address) + "\r";
}

}  // namespace vendra
