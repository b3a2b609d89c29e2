#pragma once
// Panasonic and Leica raw files ("IIU\0" header, told apart by Make): sized by
// the raw strip's end or IFD0's; the preview JPEG named by tag 0x002E is
// measured and reported.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

namespace tiff {
extern const TiffKind kRawPanasonicKind;
extern const TiffKind kLeicaKind;
}  // namespace tiff

class PanasonicRawCheck : public TiffFamilyCheck {
 public:
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  // Length of the JPEG starting at a position in a sector: FF D8 to FF D9; 0 when none starts there.
  uint64_t jpegSize(uint64_t sectorNumber, uint32_t position);

 protected:
  using TiffFamilyCheck::TiffFamilyCheck;
};

using RawPanasonicFileCheck = TiffKindCheck<PanasonicRawCheck, tiff::kRawPanasonicKind>;
using LeicaFileCheck = TiffKindCheck<PanasonicRawCheck, tiff::kLeicaKind>;

}  // namespace salvonix
