#include "sim/Network.h"

#include "sim/AxisBoard.h"
#include "sim/MotionCommands.h"

namespace vendra::sim {

namespace {

int UpperHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool Network::Build(const Options& options, SimTime now, std::string& error) {
    units_.clear();
    boardBaud_ = options.boardBaud;
    for (const auto& config : options.units) {
        if (FindUnit(config.family, config.address)) {
            error = "unit " + config.Name() + " is given twice";
            return false;
        }
        units_.push_back(MakeUnit(config, options));
        if (!units_.back()->ProgramFits()) {
            error = "unit " + config.Name() + ": its program does not fit its memory of " +
                    std::to_string(units_.back()->Program().Size()) + " characters (vF=N)";
            return false;
        }
    }
    for (const auto& link : options.links)
        if (!SetLink(link, now, error)) return false;
    return true;
}

BoardUnit* Network::FindUnit(Family family, int address) {
    for (auto& unit : units_)
        if (unit->family() == family && unit->address() == address) return unit.get();
    return nullptr;
}

BoardUnit* Network::FindUnit(const std::string& name) {
    if (name.size() != 2) return nullptr;
    auto family = FamilyFromLetter(name[0]);
    int address = UpperHexValue(name[1]);
    return family && address >= 0 ? FindUnit(*family, address) : nullptr;
}

Motor* Network::FindMotor(const MotorId& id) {
    BoardUnit* unit = FindUnit(id.family, id.unit);
    return unit ? unit->FindMotor(id.family == Family::AxisBoard ? id.axis : -1) : nullptr;
}

QBoard* Network::FindQBoard(int address) {
    return static_cast<QBoard*>(FindUnit(Family::QBoard, address));
}

bool Network::SetLink(const LinkConfig& link, SimTime now, std::string& error) {
    QBoard* q = FindQBoard(link.qboard);
    if (!q || link.channel < 0 || link.channel > 1) {
        error = "link to encoder Q" + std::string(1, "0123456789ABCDEF"[link.qboard & 15]) + "." +
                std::to_string(link.channel) + ": no such QBoard unit or channel";
        return false;
    }
    EncoderChannel& ch = q->Channel(link.channel);
    ch.motor = link.motor;
    ch.offset = link.offset;
    ch.scale = link.scale;
    // The slip is the motor's; a link to a motor that is not on the line simply reads its offset.
    if (Motor* motor = FindMotor(link.motor)) motor->SetSlip(link.slip, now);
    return true;
}

bool Network::HandleGlobal(const std::string& frame, SimTime now, std::string& note) {
    std::string command = frame.substr(2);
    if (command == "!") {
        for (auto& unit : units_) unit->AbortMoves(now);
        note = "abort";
    } else if (command.size() == 2 && command[0] == 'c' && BaudForCode(command[1] - '0') != 0) {
        boardBaud_ = BaudForCode(command[1] - '0');
        note = "boards now at " + std::to_string(boardBaud_);
    } else if (command == "*") {
        for (auto& unit : units_) unit->Program().Stop();
        stopOutput_ = true;
        note = "global";
    } else if (command == "Z" || (command.size() > 1 && command[0] == 'K')) {
        for (auto& unit : units_) {
            Family f = unit->family();
            if (f == Family::DBoard || f == Family::UBoard || f == Family::HBoard)
                unit->Program().Command(command, {});
        }
        note = command == "Z" ? "programs erased" : "programs started";
    } else {
        note = "global, not understood";
    }
    return false;
}

BoardUnit* Network::Addressee(const std::string& frame) {
    if (loading_) return loading_;
    if (frame.size() < 2 || (frame[0] == 'G' && frame[1] == 'G')) return nullptr;
    int address = UpperHexValue(frame[1]);
    if (address < 0) return nullptr;
    if (AxisFromLetter(frame[0]) >= 0) return FindUnit(Family::AxisBoard, address);
    auto family = FamilyFromLetter(frame[0]);
    return family && *family != Family::AxisBoard ? FindUnit(*family, address) : nullptr;
}

bool Network::HandleFrame(const std::string& frame, SimTime now, Reply& reply, std::string& note) {
    if (loading_) {
        bool answered = loading_->LoadLine(frame, reply);
        if (!loading_->Program().Loading()) {
            loading_ = nullptr;
            note = answered ? "load ended: the program memory is full" : "load ended";
        }
        return answered;
    }
    if (frame.size() >= 2 && frame[0] == 'G' && frame[1] == 'G')
        return HandleGlobal(frame, now, note);
    BoardUnit* unit = Addressee(frame);
    if (!unit) {
        note = "no such unit";
        return false;
    }
    if (!unit->Handle(frame, now, *this, reply)) {
        note = "not answered";
        return false;
    }
    if (unit->Program().Loading()) loading_ = unit;
    std::string body = frame.substr(2);
    if (body == "*" || (body == "Q*" && unit->family() == Family::QBoard)) stopOutput_ = true;
    return true;
}

}  // namespace vendra::sim
