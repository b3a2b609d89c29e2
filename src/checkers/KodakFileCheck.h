#pragma once
// Kodak KDC (DC120, DC50, P880) and K25 (DC25), told apart by Make and Model
// and sized alike: by the end of the raw strip named by IFD0's sub-IFD or, for
// the full-resolution layout (NewSubfileType 0), by IFD0 itself.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

namespace tiff {
struct KodakKind : TiffKind {
  uint64_t subIfdOffsetLimit;  // K25: 150 MiB
  uint32_t maxStripValues;     // KDC: a sub-IFD strip of more values gives 0
  uint64_t slack;              // KDC: 512
};
extern const KodakKind kKdcKind;
extern const KodakKind kK25Kind;
}  // namespace tiff

class KodakStripCheck : public TiffFamilyCheck {
 public:
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;

 protected:
  KodakStripCheck(ScanContext& context, const tiff::KodakKind& kind)
      : TiffFamilyCheck(context, kind), kind_(kind) {}

 private:
  const tiff::KodakKind& kind_;
};

using KdcFileCheck = TiffKindCheck<KodakStripCheck, tiff::kKdcKind>;
using K25FileCheck = TiffKindCheck<KodakStripCheck, tiff::kK25Kind>;

}  // namespace salvonix
