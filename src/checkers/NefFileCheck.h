#pragma once
// Nikon NEF: IFD0's sub-IFDs describe the raw strips and the previews; the
// file ends where the raw data ends, and the largest preview is reported.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class NefFileCheck final : public TiffFamilyCheck {
 public:
  explicit NefFileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "nef"; }

 private:
  // One of several sub-IFDs: strips set the end; the largest preview so far is reported.
  bool walkListedSubIfd(uint32_t offset, uint64_t sectorNumber, uint32_t& jpegOffset, uint64_t& end);
  // The only sub-IFD: a single strip gives the size at once (sizeNow).
  bool walkOnlySubIfd(uint32_t offset, uint64_t sectorNumber, uint64_t& end, std::optional<uint64_t>& sizeNow);
  // A strip entry's value: its own, or the last of its array.
  std::optional<uint32_t> stripValue(const tiff::IfdEntry& entry);

};

}  // namespace salvonix
