#pragma once
// What the fuzz targets share: the input as a read-only device, and the
// sector size the input's first byte chooses (512, 1024, 2048 or 4096).

#include <algorithm>
#include <cstring>

#include "scan/Device.h"

namespace salvonix::fuzz {

inline uint32_t sectorSizeOf(const uint8_t* data, std::size_t size) { return size ? 512u << (data[0] % 4) : 512u; }

class MemoryDevice final : public Device {
 public:
  MemoryDevice(const uint8_t* data, std::size_t size) : Device("fuzz input"), data_(data) { size_ = size; }

  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    if (offset >= size_) return 0;
    const std::size_t count = std::min<uint64_t>(length, size_ - offset);
    std::memcpy(buffer, data_ + offset, count);
    return static_cast<int64_t>(count);
  }

 private:
  const uint8_t* data_;
};

}  // namespace salvonix::fuzz
