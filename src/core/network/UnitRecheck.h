// Asking the units found on the network who they are once more: after the line was lost and came
// back, every unit of the unit map must answer its "v0" as it did at the last scan (or when the
// run started, for units named by hand) before a held run may go on.
//
// Error rule: nothing is reported here; the caller says what the differences mean.
// Thread rule: the caller holds the line (it uses the port through the initialiser).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/UnitGroup.h"
#include "core/base/UnitMap.h"

namespace vendra {

class NetworkInitialiser;
class LineSession;

// One unit that does not answer as it did.
struct UnitDifference {
    UnitGroup group = UnitGroup::DBoard;
    unsigned address = 0;
    bool answered = false;
    std::string was, now;  // the "v0" value texts at the scan and now
};

// Asks every unit present in `units` its "v0" (the scan's frames, in the scan's order), each
// waiting up to `timeoutMs`, and returns those that did not answer or answered another value
// than the scan recorded (a unit the scan did not record, e.g. one named by hand, only has to
// answer). `go` is asked before every unit; when it says no, the check stops there.
std::vector<UnitDifference> RecheckUnits(LineSession& session, NetworkInitialiser& network,
                                         const UnitMap& units, uint32_t timeoutMs,
                                         const std::function<bool()>& go);

// Asks every unit present in `units` whose "v0" answer no scan recorded (a unit named by hand)
// and records the answer in `network`, so that RecheckUnits compares with it. Returns the units
// that did not answer (nothing is recorded for them: they only have to answer later).
std::vector<UnitDifference> RecordIdentities(LineSession& session, NetworkInitialiser& network,
                                             const UnitMap& units, uint32_t timeoutMs);

// "DBoard unit 3 does not answer", "AxisBoard unit 1 answers \"107\" (it answered \"106\")".
std::string DescribeDifference(const UnitDifference& difference);

}  // namespace vendra
