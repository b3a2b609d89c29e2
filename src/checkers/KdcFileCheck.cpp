#include "checkers/KdcFileCheck.h"

#include "checkers/KodakStripSize.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

KdcFileCheck::KdcFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, tiff::kKdcVariant) {}

uint64_t KdcFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  return tiff::kodakStripSize(reader_, tiff::ifd0Offset(header, reader_.littleEndian()), tiff::kKdcStripRule);
}

}  // namespace salvonix
