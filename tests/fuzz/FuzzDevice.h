#pragma once
// What the fuzz targets share: the input as a read-only device whose sector size
// its first byte chooses (512, 1024, 2048 or 4096), and one checker per type.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "scan/Device.h"
#include "scan/FileTypes.h"
#include "scan/ScanContext.h"

namespace salvonix::fuzz {

// Made once: a run pays for its sectors, not for setting up checkers.
struct Checkers {
  Checkers() {
    for (const FileTypeRow& row : fileTypeTable()) checks[rowIndex(row.type)] = row.create(context);
  }
  // The drive's geometry for this input.
  void setDriveOf(const uint8_t* data, std::size_t size) {
    context.u32BytesInSector = size ? 512u << (data[0] % 4) : 512u;
    context.u64DriveSectorNumber = sectorsCovering(size, context.u32BytesInSector);
  }
  ScanContext context;
  std::array<std::unique_ptr<FileCheck>, kFileTypeCount> checks;
};

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
