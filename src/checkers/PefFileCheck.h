#pragma once
// Pentax PEF: a short IFD chain whose last strip ends the raw data; the
// preview JPEG's length is added and the preview reported.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class PefFileCheck final : public TiffFamilyCheck {
 public:
  explicit PefFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kPefVariant, "pef"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
};

}  // namespace salvonix
