#include "checkers/FileWindow.h"

namespace salvonix {

const uint8_t* FileWindow::read(uint64_t offset) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  if (reads_ == kMaxReads) return nullptr;
  ++reads_;
  // Cleared first: a short read near the device end leaves the rest untouched.
  buffer_.fill(0);
  held_ = reader_.readSector(fileStart_ + offset / bytesPerSector, kWindowBytes / bytesPerSector, buffer_.data());
  if (!held_) return nullptr;
  windowOffset_ = offset - offset % bytesPerSector;
  return buffer_.data() + offset % bytesPerSector;
}

uint64_t FileWindow::bytesToDeviceEnd() const {
  const uint64_t deviceBytes = context_.u64DriveSectorNumber * context_.u32BytesInSector;
  const uint64_t fileStart = fileStart_ * context_.u32BytesInSector;
  return deviceBytes > fileStart ? deviceBytes - fileStart : 0;
}

const uint8_t* FileWindow::bytesAt(uint64_t offset, uint32_t length) {
  const uint64_t heldEnd = windowOffset_ + kWindowBytes + context_.u32BytesInSector;
  if (held_ && offset >= windowOffset_ && offset + length <= heldEnd) return buffer_.data() + (offset - windowOffset_);
  return read(offset);
}

}  // namespace salvonix
