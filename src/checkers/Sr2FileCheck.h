#pragma once
// Sony SR2 of the DSC-R1: IFD0's sub-IFD holds the raw strip and the preview.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class Sr2FileCheck final : public TiffFamilyCheck {
 public:
  explicit Sr2FileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kSr2Variant, "sr2"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
};

}  // namespace salvonix
