#pragma once
// DNG: IFD0's sub-IFDs describe the raw image and, when there are several,
// the preview in the second; the file ends after the raw data and the preview.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class DngFileCheck final : public TiffFamilyCheck {
 public:
  explicit DngFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kDngVariant, "dng"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;

 private:
  bool walkOnlySubIfd(const tiff::FirstIfd& ifd0, uint32_t offset, uint64_t& end);
  bool walkRawAndPreview(const tiff::FirstIfd& ifd0, uint32_t listOffset, uint64_t sectorNumber, uint64_t& end);
  // IFD0 with the data its entries place after it.
  std::optional<uint64_t> ifd0WithData(const tiff::FirstIfd& ifd0);
};

}  // namespace salvonix
