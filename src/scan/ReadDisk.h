#pragma once
// The reader every checker owns: one window of 64 KiB plus one sector at a
// given sector of the device being scanned.

#include <cstdint>

#include "scan/ScanContext.h"

namespace salvonix {

// Room for 65,536 bytes plus one sector of up to 4,096 bytes.
inline constexpr uint32_t kReadWindowBufferSize = 0x11000;
inline constexpr uint32_t kWindowBytes = 65536;

class ReadDisk {
 public:
  explicit ReadDisk(ScanContext& context) : context_(context) {}

  // Reads u32BytesInSector + 65,536 bytes from byte sector × u32BytesInSector
  // into buffer (at least kReadWindowBufferSize bytes). The size argument does
  // not change the length. A short read near the device end succeeds and
  // leaves the rest of the buffer as it was; sectors that cannot be read come
  // as zeros. Returns false when the first sector cannot be read or the drive
  // has gone.
  bool readSector(uint64_t sector, uint32_t size, uint8_t* buffer);

 private:
  ScanContext& context_;
};

}  // namespace salvonix
