#include "scan/WindowReader.h"

#include <cstring>

#include "scan/Device.h"
#include "scan/ReadDisk.h"

namespace salvonix {

WindowReader::WindowReader(const Device* device, uint32_t chunkBytes)
    : device_(device), chunk_(chunkBytes < kWindowBytes ? kWindowBytes : chunkBytes) {}

const uint8_t* WindowReader::window(uint64_t byteOffset) {
  if (chunkLength_ && byteOffset >= chunkStart_ && byteOffset + kWindowBytes <= chunkStart_ + chunkLength_)
    return chunk_.data() + (byteOffset - chunkStart_);
  chunkLength_ = 0;
  if (!device_) return nullptr;
  uint64_t length = chunk_.size();
  int64_t got = device_->readAt(byteOffset, chunk_.data(), length);
  if (got < 0) {
    // Something in the piece failed: fall back to this one window, so a bad
    // spot further on fails only the window that holds it.
    length = kWindowBytes;
    got = device_->readAt(byteOffset, chunk_.data(), length);
    if (got < 0) return nullptr;
  }
  std::memset(chunk_.data() + got, 0, length - static_cast<uint64_t>(got));
  chunkStart_ = byteOffset;
  chunkLength_ = length;
  return chunk_.data();
}

}  // namespace salvonix
