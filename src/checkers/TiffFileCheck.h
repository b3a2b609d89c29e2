#pragma once
// TIFF images that no camera-raw checker claims. A TIFF without a Make tag is
// sized as the sum of its parts; a camera TIFF from where its last strip ends,
// plus, for Canon, the JPEG its maker note points at.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class TiffFileCheck final : public TiffFamilyCheck {
 public:
  explicit TiffFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kTiffVariant, "tiff"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;

  // Length of the JPEG that a Canon camera TIFF's maker note points at; 0 if none.
  uint64_t canonTiffJpgFileSize(SectorHeader header, uint64_t sectorNumber);
  uint64_t canonTiffJpgFileSize(uint64_t exifIfdOffset, uint64_t fileStartSector);
  // Length of a JPEG stream at a device byte offset, with 512 bytes of slack.
  uint64_t jpgFileSizeCalculation(uint64_t deviceOffset);

 private:
  uint64_t plainSize(uint32_t ifd0);
  uint64_t cameraSize(SectorHeader header, uint64_t sectorNumber, uint32_t ifd0);
  // Adds the byte counts of an array to dataTotal; false when it lies beyond the limits.
  bool addByteCountArray(const tiff::IfdEntry& entry, uint32_t elementSize, uint64_t& dataTotal);
};

}  // namespace salvonix
