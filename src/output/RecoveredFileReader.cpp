#include "output/RecoveredFileReader.h"

#include <algorithm>
#include <cstring>

#include "scan/Device.h"
#include "scan/SectorRescue.h"

namespace salvonix {

namespace {
constexpr uint64_t kSectorsPerBlock = 8;
}  // namespace

RecoveredFileReader::RecoveredFileReader(std::shared_ptr<Device> device, uint32_t bytesPerSector)
    : device_(std::move(device)), bytesPerSector_(bytesPerSector) {}

int64_t RecoveredFileReader::read(const HDIR& file, uint64_t offset, uint8_t* buffer, std::size_t length) {
  const uint64_t sectorBytes = bytesPerSector_;
  unreadableInLastRead_ = 0;
  if (!device_ || sectorBytes == 0) return -1;
  if (file.extraBytesToMove < 0 || static_cast<uint64_t>(file.extraBytesToMove) >= sectorBytes) return -1;
  if (offset >= file.fileSize) return 0;
  const uint64_t count = std::min<uint64_t>(length, file.fileSize - offset);
  if (count == 0) return 0;
  std::memset(buffer, 0, count);

  // Everything below counts from the file's start sector; a start inside the
  // drive keeps every sum below the drive's size.
  const uint64_t driveEnd = device_->sizeInBytes();
  if (file.sectorNumber >= sectorsCovering(driveEnd, bytesPerSector_)) return static_cast<int64_t>(count);
  const uint64_t fileStart = file.sectorNumber * sectorBytes;
  const uint64_t onDrive = driveEnd - fileStart;  // less than a sector only in a last partial sector
  const uint64_t leading = static_cast<uint64_t>(file.extraBytesToMove);
  if (leading >= onDrive || offset >= onDrive - leading) return static_cast<int64_t>(count);
  const uint64_t first = leading + offset;
  const uint64_t last = first + std::min(count, onDrive - first);

  const uint64_t blockBytes = kSectorsPerBlock * sectorBytes;
  const uint64_t readFrom = first / blockBytes * blockBytes;
  const uint64_t readTo = std::min((last + blockBytes - 1) / blockBytes * blockBytes, onDrive);
  blocks_.assign(readTo - readFrom, 0);
  if (readRescuing({*device_, bytesPerSector_, unreadable_}, fileStart + readFrom, blocks_.data(), blocks_.size()) < 0)
    return -1;
  std::memcpy(buffer, blocks_.data() + (first - readFrom), last - first);
  const uint64_t firstSector = first / sectorBytes;
  const uint64_t endSector = (last + sectorBytes - 1) / sectorBytes;
  unreadableInLastRead_ = unreadable_.countIn(file.sectorNumber + firstSector, endSector - firstSector);
  return static_cast<int64_t>(count);
}

}  // namespace salvonix
