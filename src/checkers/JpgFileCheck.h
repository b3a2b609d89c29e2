#pragma once
// JPEG: walks the marker segments up to the first start of scan, then searches
// the entropy-coded data for the end-of-image marker.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class JpgFileCheck final : public FileCheck {
 public:
  explicit JpgFileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0xFF; }
  std::string_view parentKey() override { return "jpg"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0xFF; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  ScanContext& context_;
  FileWindow window_;
  bool measuredWhole_ = false;
};

}  // namespace salvonix
