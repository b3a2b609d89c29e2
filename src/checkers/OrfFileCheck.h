#pragma once
// Olympus ORF ("IIRO"/"IIRS"): the raw strip's end plus fixed allowances; the
// preview is found through the Olympus maker note in the Exif IFD.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class OrfFileCheck final : public TiffFamilyCheck {
 public:
  explicit OrfFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kOrfVariant, "orf"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;

 private:
  // Reports the preview the Exif IFD's maker note leads to; false when a read
  // fails or the scan is cancelled (the file is then not recorded).
  bool findPreview(uint32_t exifOffset, uint64_t sectorNumber);
  // The newer maker note: the preview starts at a fixed offset and ends at the first end marker.
  bool searchPreviewEnd(uint64_t sectorNumber);
  // The older maker note: its block 0x2020 names the preview's offset and length.
  bool readPreviewBlock(uint32_t noteOffset, uint64_t sectorNumber);
};

}  // namespace salvonix
