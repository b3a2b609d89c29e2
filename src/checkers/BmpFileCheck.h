#pragma once
// BMP files, recognised and sized from the sector header alone.

#include "checkers/FileCheck.h"
#include "scan/ScanContext.h"

namespace salvonix {

class BmpFileCheck final : public FileCheck {
 public:
  explicit BmpFileCheck(ScanContext&) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x42; }
  std::string_view parentKey() override { return "bmp"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x42; }
};

}  // namespace salvonix
