#include "core/onboard/OnboardFrames.h"

#include "core/serial/BoardProtocol.h"
#include "core/serial/FrameText.h"

namespace vendra {

namespace {

std::string FamilyCommand(uint8_t f, const std::string& command) {
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    if (info == nullptr) return {};
    if (OnboardUsesGlobalFrames(f)) return "GG" + command + "\r";
    return std::string(1, info->letter) + command + "\r";
}

}  // namespace

bool OnboardUsesGlobalFrames(uint8_t f) {
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    return info != nullptr &&
           (info->group == UnitGroup::DBoard || info->group == UnitGroup::UBoard ||
            info->group == UnitGroup::HBoard);
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
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    char digit = protocol::UnitDigit(unit);
    if (info == nullptr || digit == '\0') return {};
    std::string frame{info->letter, digit};
    frame += text;
    EnsureCarriageReturn(frame);
    return frame;
}

std::string OnboardEndMarker(uint8_t f, unsigned unit) {
    const protocol::BoardFamilyInfo* info = protocol::FindFamily(f);
    char digit = protocol::UnitDigit(unit);
    if (info == nullptr || digit == '\0') return {};
    return std::string{info->lowerLetter, digit, 'c'};
}

std::string OnboardListText(uint32_t address) {
    return "D" + std::to_string(address) + "\r";
}

std::string OnboardLoadText(uint32_t address) {
    return "Q" + std::to_string(address) + "\r";
}

}  // namespace vendra
