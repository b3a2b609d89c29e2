#pragma once
// Canon CR2: IFD0 describes the preview JPEG, which is reported to the engine;
// the last IFD of the chain describes the raw data, which ends the file.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class Cr2FileCheck final : public TiffFamilyCheck {
 public:
  explicit Cr2FileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kCr2Variant, "cr2"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;

 private:
  // The size from the raw IFD's strip, or 0.
  uint64_t rawDataEnd(uint64_t ifdOffset, uint32_t entries);
};

}  // namespace salvonix
