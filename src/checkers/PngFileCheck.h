#pragma once
// PNG: walks the chunk chain up to IEND, over the standard chunk types and any
// other chunk whose CRC proves it one.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class PngFileCheck final : public FileCheck {
 public:
  explicit PngFileCheck(ScanContext& context)
      : context_(context), window_(context), crcWindow_(context, FileWindow::kMaxReads) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x89; }
  std::string_view parentKey() override { return "png"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x89; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  bool crcMatches(uint64_t typeOffset, uint32_t length);

  ScanContext& context_;
  FileWindow window_;
  FileWindow crcWindow_;  // reads a whole chunk for its CRC
  bool measuredWhole_ = false;
};

}  // namespace salvonix
