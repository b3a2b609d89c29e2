#include "checkers/K25FileCheck.h"

#include "checkers/KodakStripSize.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

K25FileCheck::K25FileCheck(ScanContext& context)
    : TiffFamilyCheck(context, tiff::kK25Variant) {}

uint64_t K25FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  return tiff::kodakStripSize(reader_, tiff::ifd0Offset(header, reader_.littleEndian()), tiff::kK25StripRule);
}

}  // namespace salvonix
