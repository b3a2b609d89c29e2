#pragma once
// Sony SR2 of the DSC-R1: IFD0's sub-IFD holds the raw strip and the preview.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class Sr2FileCheck final : public TiffFamilyCheck {
 public:
  explicit Sr2FileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "sr2"; }

 private:
  bool walkSubIfd(uint32_t offset, uint64_t sectorNumber, uint32_t ifd0, uint64_t ifd0End, uint64_t& end);

};

}  // namespace salvonix
