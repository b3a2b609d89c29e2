#include "checkers/RawPanasonicFileCheck.h"

#include "checkers/PanasonicRawSize.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

RawPanasonicFileCheck::RawPanasonicFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, tiff::kRawPanasonicVariant) {}

uint64_t RawPanasonicFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  return tiff::panasonicRawSize(reader_, context_, tiff::ifd0Offset(header, reader_.littleEndian()), sectorNumber);
}

uint64_t RawPanasonicFileCheck::jpegSize(uint64_t sectorNumber, uint32_t position) {
  return tiff::jpegSize(reader_, context_, sectorNumber, position);
}

}  // namespace salvonix
