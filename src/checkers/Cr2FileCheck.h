#pragma once
// Canon CR2: IFD0 describes the preview JPEG, which is reported to the engine;
// the last IFD of the chain describes the raw data, which ends the file.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class Cr2FileCheck final : public TiffFamilyCheck {
 public:
  explicit Cr2FileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "cr2"; }
  static int scalarDataTypeValue(uint32_t type) { return tiff::scalarDataTypeValue(type); }

 private:
  // The size from the raw IFD's strip, or 0.
  uint64_t rawDataEnd(uint64_t ifdOffset, uint32_t entries);

};

}  // namespace salvonix
