#include "scan/SectorRescue.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "scan/Device.h"

namespace salvonix {

bool isDriveGoneError(int64_t readResult) {
  // ENOMEDIUM: the card was taken out of its reader.
  return readResult == -ENODEV || readResult == -ENXIO || readResult == -ENOMEDIUM;
}

int64_t readRescuing(const SectorSource& source, uint64_t offset, uint8_t* buffer, std::size_t length) {
  if (source.unreadable.driveGone()) return -1;
  const int64_t got = source.device.readAt(offset, buffer, length);
  if (got >= 0) {
    source.unreadable.noteReadable();
    return got;
  }
  if (isDriveGoneError(got)) {
    source.unreadable.markDriveGone();
    return -1;
  }
  return readSectorBySector(source, offset, buffer, length);
}

int64_t readSectorBySector(const SectorSource& source, uint64_t offset, uint8_t* buffer, std::size_t length) {
  UnreadableSectors& unreadable = source.unreadable;
  const uint64_t sectorBytes = source.bytesPerSector;
  const uint64_t deviceEnd = source.device.sizeInBytes();
  if (unreadable.driveGone() || sectorBytes == 0) return -1;
  if (offset >= deviceEnd) return 0;
  const uint64_t end = std::min<uint64_t>(offset + length, deviceEnd);
  for (uint64_t at = offset; at < end; at += sectorBytes) {
    uint8_t* out = buffer + (at - offset);
    const auto piece = static_cast<std::size_t>(std::min(sectorBytes, end - at));
    const uint64_t sector = at / sectorBytes;
    const int64_t got = unreadable.contains(sector) ? -EIO : source.device.readAt(at, out, piece);
    if (got >= 0) {
      std::memset(out + got, 0, piece - static_cast<std::size_t>(got));
      unreadable.noteReadable();
      continue;
    }
    if (isDriveGoneError(got)) unreadable.markDriveGone();
    else unreadable.noteUnreadable(sector, piece);
    if (unreadable.driveGone()) return -1;
    std::memset(out, 0, piece);
  }
  return static_cast<int64_t>(end - offset);
}

}  // namespace salvonix
