#pragma once
// What a scan could not read, told to the user: the ranges and the incomplete
// files in the JSON result, the incomplete saved files, and a GNU ddrescue
// mapfile that a rescue tool can carry on from.

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "output/RecoveredFileSaver.h"
#include "scan/UnreadableSectors.h"

namespace salvonix {

// Adds "unreadable": [{"sector": S, "count": N}, ...] and gives every file
// entry "incomplete": whether its bytes ("byteOffset", "size") meet an unreadable sector.
nlohmann::json withUnreadableSectors(nlohmann::json result, const UnreadableSectors& unreadable, uint32_t sectorSize);

// One line on standard error for each file saved with zeros in it.
void printIncompleteFiles(const SaveOutcome& outcome);

// Writes the --bad-sectors file, the whole device: '-' for the unreadable
// ranges, '+' for what the scan read, '?' for what it never reached
// (scannedBytes on). Returns why it could not be written, or "".
std::string writeBadSectorMap(const std::string& path, const UnreadableSectors& unreadable, uint64_t deviceBytes,
                              uint32_t sectorSize, uint64_t scannedBytes);

}  // namespace salvonix
