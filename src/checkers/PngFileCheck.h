#pragma once
// PNG: walks the chunk chain up to IEND, over the standard chunk types and any
// other chunk whose CRC proves it one.

#include <array>

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"
#include "scan/ReadDisk.h"

namespace salvonix {

class PngFileCheck final : public FileCheck {
 public:
  explicit PngFileCheck(ScanContext& context)
      : context_(context), readDiskFromPngFileCheck_(context), crcWindow_(context, readDiskFromPngFileCheck_) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x89; }
  std::string_view parentKey() override { return "png"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x89; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  bool readWindow(uint64_t sector);
  bool crcMatches(uint64_t typeOffset, uint32_t length);

  ScanContext& context_;
  ReadDisk readDiskFromPngFileCheck_;
  std::array<uint8_t, kReadWindowBufferSize> window_{};
  FileWindow crcWindow_;  // reads a whole chunk for its CRC
  bool measuredWhole_ = false;
};

}  // namespace salvonix
