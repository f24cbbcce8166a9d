#include "core/network/UnitRecheck.h"

#include "core/network/NetworkInit.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

std::vector<UnitDifference> RecheckUnits(LineSession& session, NetworkInitialiser& network,
                                         const UnitMap& units, uint32_t timeoutMs,
                                         const std::function<bool()>& go) {
    std::vector<UnitDifference> differences;
    for (UnitGroup group : kUnitGroupsInScanOrder) {
        for (unsigned a = 0; a < 16; ++a) {
            if (!units.IsPresent(group, a)) continue;
            if (go && !go()) return differences;
            char reply[protocol::kReplyBufferSize] = {};
            const std::string frame = protocol::IdentityFrame(group, a, 0);
            UnitDifference d{group, a, false, network.UnitIdentity(group, a), ""};
            d.answered =
                network.QueryUnitWithin(session, frame.c_str(), reply, sizeof reply, timeoutMs);
            if (d.answered) d.now = protocol::ParseReply(reply).value;
            // The scan recorded nothing (no scan, or an empty answer): answering is enough.
            if (d.answered && (d.was.empty() || d.was == d.now)) continue;
            differences.push_back(d);
        }
    }
    return differences;
}

std::vector<UnitDifference> RecordIdentities(LineSession& session, NetworkInitialiser& network,
                                             const UnitMap& units, uint32_t timeoutMs) {
    std::vector<UnitDifference> silent;
    for (UnitGroup group : kUnitGroupsInScanOrder) {
        for (unsigned a = 0; a < 16; ++a) {
            if (!units.IsPresent(group, a) || !network.UnitIdentity(group, a).empty()) continue;
            char reply[protocol::kReplyBufferSize] = {};
            const std::string frame = protocol::IdentityFrame(group, a, 0);
            if (network.QueryUnitWithin(session, frame.c_str(), reply, sizeof reply, timeoutMs))
                network.SetUnitIdentity(group, a, protocol::ParseReply(reply).value);
            else
                silent.push_back({group, a, false, "", ""});
        }
    }
    return silent;
}

std::string DescribeDifference(const UnitDifference& d) {
    std::string unit =
        std::string(protocol::GroupName(d.group)) + " unit " + protocol::UnitDigit(d.address);
    if (!d.answered) return unit + " does not answer";
    return unit + " answers \"" + d.now + "\" (it answered \"" + d.was + "\")";
}

}  // namespace vendra
