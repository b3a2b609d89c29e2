#include "scan/ReadDisk.h"

#include "scan/Device.h"

namespace salvonix {

bool ReadDisk::readSector(uint64_t sector, uint32_t /*size*/, uint8_t* buffer) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint64_t offset = sector * bytesPerSector;
  if (context_.scanDevice) return context_.scanDevice->readAt(offset, buffer, kWindowBytes + bytesPerSector) >= 0;
  // Outside a scan (tests, tools) the device is opened for this read only.
  auto device = context_.openDevice(context_.cDriveMountedPath);
  return device && device->readAt(offset, buffer, kWindowBytes + bytesPerSector) >= 0;
}

}  // namespace salvonix
