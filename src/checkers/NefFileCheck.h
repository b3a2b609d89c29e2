#pragma once
// Nikon NEF: IFD0's sub-IFDs describe the raw strips and the previews; the
// file ends where the raw data ends, and the largest preview is reported.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class NefFileCheck final : public TiffFamilyCheck {
 public:
  explicit NefFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kNefVariant, "nef"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
};

}  // namespace salvonix
