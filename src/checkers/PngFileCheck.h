#pragma once
// PNG: walks the chunk chain, accepting only the standard chunk types, until
// the chain leaves them.

#include <array>

#include "checkers/FileCheck.h"
#include "scan/ReadDisk.h"

namespace salvonix {

class PngFileCheck final : public FileCheck {
 public:
  explicit PngFileCheck(ScanContext& context) : context_(context), readDiskFromPngFileCheck_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x89; }
  std::string_view parentKey() override { return "png"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x89; }

 private:
  bool readWindow(uint64_t sector);

  ScanContext& context_;
  ReadDisk readDiskFromPngFileCheck_;
  std::array<uint8_t, kReadWindowBufferSize> window_{};
};

}  // namespace salvonix
