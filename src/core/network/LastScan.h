// "LastScan.cfg" beside Config.cfg: the units the last scan of a real line found, one line
// "D3,X1,Q0". A simulated network started later plays these units, so that a user rehearses on
// the machine's own network. Nothing throws; a write that fails says why in `error`.
#pragma once
#include <string>

#include "core/base/UnitMap.h"

namespace vendra {

inline constexpr const char* kLastScanFileName = "LastScan.cfg";

// The units present in `units`, in scan order: "D3,U2,H1,X1,Q0" ("" when none).
std::string UnitList(const UnitMap& units);
// Writes `list` to LastScan.cfg in `folder`, replacing the file whole.
bool SaveLastScanUnits(const std::string& folder, const std::string& list, std::string& error);
// The units kept in `folder`; "" when none are (no file, or an empty one).
std::string LoadLastScanUnits(const std::string& folder);

}  // namespace vendra
