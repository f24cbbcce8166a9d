#include "sim/QBoard.h"

#include <cctype>
#include <cmath>

#include "sim/Network.h"

namespace vendra::sim {

QBoard::QBoard(const UnitConfig& config, const Options& options) : BoardUnit(config, options) {}

int64_t QBoard::Count(int channel, SimTime now, Network& network) const {
    const EncoderChannel& ch = channels_.at(channel);
    if (!ch.motor) return ch.count;
    const Motor* motor = network.FindMotor(*ch.motor);
    if (!motor) return ch.offset;
    return ch.offset + std::llround(ch.scale * motor->PhysicalCounts(now));
}

bool QBoard::Handle(const std::string& frame, SimTime now, Network& network, Reply& reply) {
    std::string body = frame.substr(2);
    if (body == "P") {
        reply = MakeReply(
            'q', '>',
            std::to_string(Count(0, now, network)) + "," + std::to_string(Count(1, now, network)));
        return true;
    }
    if (!body.empty() && body[0] == 'p') {
        if (body == "p0" || body == "p1")
            reply = MakeReply('q', '>', std::to_string(Count(body[1] - '0', now, network)));
        else
            reply = MakeReply('Q', '!');
        return true;
    }
    if (AnswerItemQuery(body, 'Q', reply)) return true;
    // The host puts the family letter in front of the stop, erase and run commands: Q0Q*, Q0QZ,
    // Q0QK1 (a "Q" with an address alone is the load).
    bool lettered =
        body.size() > 1 && body[0] == 'Q' && (body[1] == '*' || body[1] == 'Z' || body[1] == 'K');
    if (AnswerProgramCommand(lettered ? body.substr(1) : body, 'Q', reply)) return true;
    if (body == "m") {
        reply = MakeReply('Q', '>', std::to_string(lastA_));
        return true;
    }
    if (body.size() > 1 && body[0] == 'A') {
        int64_t v = 0;
        size_t i = 1;
        for (; i < body.size() && std::isdigit(static_cast<unsigned char>(body[i])) && i < 19; ++i)
            v = v * 10 + (body[i] - '0');
        if (i != body.size()) {
            reply = MakeReply('Q', '!');
            return true;
        }
        lastA_ = v;
    }
    reply = MakeReply('Q', '>');
    return true;
}

}  // namespace vendra::sim
