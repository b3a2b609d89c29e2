#pragma once
// Reading through bad spots. A read that fails is made again one sector at a
// time; the sectors that still fail read as zeros and are recorded, so one bad
// sector costs only itself. Sectors already recorded are not tried again: on a
// dying card every failing read may take seconds.

#include <cstddef>
#include <cstdint>

#include "scan/UnreadableSectors.h"

namespace salvonix {

class Device;

struct SectorSource {
  const Device& device;
  uint32_t bytesPerSector;
  UnreadableSectors& unreadable;
};

// An error from Device::readAt that means the drive is no longer there.
bool isDriveGoneError(int64_t readResult);

// Like Device::readAt at a sector boundary, with unreadable sectors as zeros:
// the bytes read (fewer at the device end) or -1 once the drive has gone.
int64_t readRescuing(const SectorSource& source, uint64_t offset, uint8_t* buffer, std::size_t length);
// The same for a piece whose read has just failed: straight to single sectors.
int64_t readSectorBySector(const SectorSource& source, uint64_t offset, uint8_t* buffer, std::size_t length);

}  // namespace salvonix
