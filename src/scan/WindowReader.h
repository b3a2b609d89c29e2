#pragma once
// The engine's sequential reader. Hands out 64 KiB windows of the device,
// zero past its end, reading ahead in larger pieces so that one system call
// serves many windows. A window fails exactly when a 64 KiB read of it would.

#include <cstdint>
#include <vector>

namespace salvonix {

class Device;

class WindowReader {
 public:
  explicit WindowReader(const Device* device, uint32_t chunkBytes = 1u << 20);
  // The 65,536 bytes at byteOffset, or null on a read error. Valid until the next call.
  const uint8_t* window(uint64_t byteOffset);

 private:
  const Device* device_;
  std::vector<uint8_t> chunk_;
  uint64_t chunkStart_ = 0;
  uint64_t chunkLength_ = 0;  // 0: nothing held
};

}  // namespace salvonix
