#include "checkers/LeicaFileCheck.h"

#include "checkers/PanasonicRawSize.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

LeicaFileCheck::LeicaFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, tiff::kLeicaVariant) {}

uint64_t LeicaFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  return tiff::panasonicRawSize(reader_, context_, tiff::ifd0Offset(header, reader_.littleEndian()), sectorNumber);
}

uint64_t LeicaFileCheck::jpegSize(uint64_t sectorNumber, uint32_t position) {
  return tiff::jpegSize(reader_, context_, sectorNumber, position);
}

}  // namespace salvonix
