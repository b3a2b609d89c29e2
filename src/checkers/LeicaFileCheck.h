#pragma once
// Leica raw files ("IIU\0" header, Make LEICA): sized by the raw strip's end; the preview JPEG
// named by tag 0x002E is measured and reported.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class LeicaFileCheck final : public TiffFamilyCheck {
 public:
  explicit LeicaFileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "lei"; }
  uint64_t jpegSize(uint64_t sectorNumber, uint32_t position);

 private:
};

}  // namespace salvonix
