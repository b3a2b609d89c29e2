#include "scan/ScanParameters.h"

#include <fmt/format.h>

namespace salvonix {

bool supportedSectorSize(uint32_t bytesInSector) {
  return bytesInSector == 512 || bytesInSector == 1024 || bytesInSector == 2048 || bytesInSector == 4096;
}

std::string sectorSizeProblem(uint32_t bytesInSector) {
  if (supportedSectorSize(bytesInSector)) return {};
  return fmt::format("a sector size of {} bytes is not supported: use 512, 1024, 2048 or 4096 (the scan reads 64 KiB "
                     "plus one sector of at most 4,096 bytes at a time)",
                     bytesInSector);
}

}  // namespace salvonix
