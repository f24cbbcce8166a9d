#include "sim/BoardUnit.h"

#include "sim/AxisBoard.h"
#include "sim/QBoard.h"
#include "sim/StepperBoards.h"

namespace vendra::sim {

namespace {

// Items a unit reports unless told otherwise: a current firmware on an ARM part with the 2K
// IEEPROM option, a TMC246 driver and revision D (a QBoard: the differential encoder interface).
void DefaultItems(Family family, uint32_t programSize,
                  std::array<std::string, kInfoItemCount>& items) {
    for (auto& item : items) item = "0";
    items[0] = "200";  // software version
    switch (family) {
        case Family::DBoard:
            items[1] = "10";
            break;
        case Family::UBoard:
            items[1] = "20";
            break;
        case Family::HBoard:
            items[1] = "30";
            break;
        case Family::AxisBoard:
            items[1] = "40";
            break;
        case Family::QBoard:
            items[1] = "50";
            break;
    }
    items[2] = "64";                                       // option word 1: 2K IEEPROM
    items[3] = "11";                                       // CPU type code: ARM7-LPC2106
    items[4] = "33";                                       // minor version
    items[6] = family == Family::QBoard ? "1024" : "768";  // revision word
    items[8] = family == Family::QBoard ? "0" : "3072";    // driver word: TMC246
    items[9] = "1";
    items[10] = "Jan 15 2024";
    items[11] = "12:00:00";
    items[13] = "1";
    items[14] = "5";
    // IEEPROM size, also the "vF" size query and the program memory's size.
    items[kProgramSizeItem] = programSize > 0 ? std::to_string(programSize) : "2048";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Reply::Line() const {
    if (!raw.empty()) return raw;
    std::string line;
    line.reserve(4 + value.size());
    line += letter;
    line += "0123456789ABCDEF"[digit & 15];
    line += status;
    line += value;
    line += '\r';
    return line;
}

BoardUnit::BoardUnit(const UnitConfig& config, const Options& options)
    : config_(config),
      speed_(config.speed.value_or(options.defaultSpeed)),
      busy_(config.busyStatus ? config.busyStatus : options.defaultBusy),
      done_(config.doneStatus ? config.doneStatus : options.defaultDone),
      program_(0) {
    DefaultItems(config.family, options.programSize, items_);
    for (const auto& [index, value] : config.items) SetItem(index, value);
    program_.Resize(ProgramSizeOfItem(items_[kProgramSizeItem]));
    if (config.program) programFits_ = program_.SetLines(*config.program);
}

void BoardUnit::SetItem(int index, std::string value) {
    items_.at(index) = std::move(value);
    given_.at(index) = true;
    if (index == kProgramSizeItem) program_.Resize(ProgramSizeOfItem(items_[index]));
}

char BoardUnit::ReplyLetterFor(const std::string& frame) const {
    char c = frame.empty() ? '?' : frame[0];
    return (c >= 'W' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool BoardUnit::AnswerProgramCommand(const std::string& body, char letter, Reply& reply) {
    char lower = (letter >= 'A' && letter <= 'Z') ? static_cast<char>(letter - 'A' + 'a') : letter;
    std::string marker{lower, "0123456789ABCDEF"[config_.address & 15], 'c'};
    auto answer = program_.Command(body, marker);
    if (!answer) return false;
    if (program_.Loading()) programLetter_ = letter;
    reply = MakeReply(letter, answer->status);
    reply.raw = answer->raw;
    return true;
}

bool BoardUnit::LoadLine(const std::string& line, Reply& reply) {
    auto answer = program_.LoadLine(line);
    if (!answer) return false;
    reply = MakeReply(programLetter_, answer->status);
    reply.raw = answer->raw;
    return true;
}

bool BoardUnit::KnowsItem(int index) const {
    if (index < 0 || index >= kInfoItemCount) return false;
    if (given_[index]) return true;
    // Older firmware stops at item 9 (before 105) or item 15 (105 and 106).
    const long version = std::atol(items_[0].c_str());
    const int last = version < 105 ? 9 : version <= 106 ? 15 : kInfoItemCount - 1;
    return index <= last;
}

bool BoardUnit::AnswerItemQuery(const std::string& body, char letter, Reply& reply) const {
    if (body.size() < 2 || body.size() > 3 || body[0] != 'v') return false;
    int index = 0;
    for (size_t i = 1; i < body.size(); ++i) {
        int d = HexValue(body[i]);
        if (d < 0) return false;
        index = index * 16 + d;
    }
    reply = KnowsItem(index) ? MakeReply(letter, '>', items_[index]) : MakeReply(letter, '!');
    return true;
}

Reply BoardUnit::MakeReply(char letter, char status, std::string value) const {
    Reply r;
    r.letter = letter;
    r.digit = config_.address;
    r.status = status;
    r.value = std::move(value);
    return r;
}

std::unique_ptr<BoardUnit> MakeUnit(const UnitConfig& config, const Options& options) {
    switch (config.family) {
        case Family::DBoard:
        case Family::UBoard:
        case Family::HBoard:
            return MakeStepperBoard(config, options);
        case Family::AxisBoard:
            return std::make_unique<AxisBoard>(config, options);
        case Family::QBoard:
            return std::make_unique<QBoard>(config, options);
    }
    return nullptr;
}

}  // namespace vendra::sim
