#pragma once
// Sony ARW of two model families. Its classifier is the first of the TIFF
// family to run, so it also recognises every other TIFF-based format for the
// checkers after it. The A700 family's raw strip lies in IFD0's sub-IFD; the
// A100 family's end is read from its private DNG data. Both report the preview.

#include "checkers/TiffFamilyCheck.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

class ArwFileCheck final : public TiffFamilyCheck {
 public:
  explicit ArwFileCheck(ScanContext& context) : TiffFamilyCheck(context, {tiff::kArwVariant, "arw"}) {}
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  // Also forgets the model family of the file just recorded.
  std::string_view parentKey() override;

 private:
  uint64_t a700Size(uint32_t ifd0, uint64_t sectorNumber);
  uint64_t a100Size(uint32_t ifd0, uint64_t sectorNumber);
  void reportPreviewLength(uint32_t length);
  bool walkedOrCancelled(bool walked) const;
};

}  // namespace salvonix
