#include "checkers/FileWindow.h"

namespace salvonix {

const uint8_t* FileWindow::readAt(uint64_t offset, uint64_t length) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  // A fresh window holds the bytes from offset's sector on; an offset that
  // would wrap addresses nothing.
  if (length > heldBytes() - offset % bytesPerSector || offset > UINT64_MAX - length) return nullptr;
  if (reads_ == maxReads_) return nullptr;
  ++reads_;
  // Cleared first: a short read near the device end leaves the rest untouched.
  buffer_.fill(0);
  held_ = reader_.readSector(fileStart_ + offset / bytesPerSector, kWindowBytes / bytesPerSector, buffer_.data());
  if (!held_) return nullptr;
  windowOffset_ = offset - offset % bytesPerSector;
  return buffer_.data() + offset % bytesPerSector;
}

std::span<const uint8_t> FileWindow::bytesFrom(uint64_t offset, uint32_t minLength) {
  const uint8_t* p = bytesAt(offset, minLength);
  if (!p) return {};
  return {p, static_cast<std::size_t>(windowOffset_ + heldBytes() - offset)};
}

uint64_t FileWindow::bytesToDeviceEnd() const {
  const uint64_t deviceBytes = context_.u64DriveSectorNumber * context_.u32BytesInSector;
  return deviceBytes > fileStartByte() ? deviceBytes - fileStartByte() : 0;
}

}  // namespace salvonix
