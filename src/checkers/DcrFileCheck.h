#pragma once
// Kodak DCR: up to ten sub-IFDs; the file ends after the furthest raw strip
// plus Kodak's private data.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class DcrFileCheck final : public TiffFamilyCheck {
 public:
  explicit DcrFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kDcrVariant, "dcr"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
};

}  // namespace salvonix
