#pragma once
// Hasselblad 3FR: the raw strip lies in IFD0's sub-IFD; large files are
// trimmed by a fixed amount.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class ThreefrFileCheck final : public TiffFamilyCheck {
 public:
  explicit ThreefrFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kThreefrVariant, "3fr"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
};

}  // namespace salvonix
