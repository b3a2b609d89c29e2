#include "scan/ReadDisk.h"

#include "scan/Device.h"
#include "scan/SectorRescue.h"

namespace salvonix {

bool ReadDisk::readSector(uint64_t sector, uint32_t /*size*/, uint8_t* buffer) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  // Outside a scan (tests, tools) the device is opened for this read only.
  std::shared_ptr<Device> device = context_.scanDevice ? context_.scanDevice : context_.openDevice(context_.cDriveMountedPath);
  if (!device) return false;
  const std::size_t length = kWindowBytes + bytesPerSector;
  const int64_t got =
      readRescuing({*device, bytesPerSector, context_.unreadableSectors}, sector * bytesPerSector, buffer, length);
  // Unreadable sectors further on read as zeros, which a walk meets as the end
  // of its data; a window whose very first sector cannot be read gives the
  // checker nothing to go on.
  return got >= 0 && !context_.unreadableSectors.contains(sector);
}

}  // namespace salvonix
