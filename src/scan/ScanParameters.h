#pragma once
// Checks on the scan parameters that the engine relies on, for every front end.

#include <cstdint>
#include <string>

namespace salvonix {

// 512, 1024, 2048 or 4096: the read window holds 64 KiB plus one sector of at
// most 4,096 bytes, and the sector must divide 64 KiB.
bool supportedSectorSize(uint32_t bytesInSector);
// Empty when the size is supported, else why not and what is.
std::string sectorSizeProblem(uint32_t bytesInSector);

}  // namespace salvonix
