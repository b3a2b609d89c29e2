#pragma once
// Kodak DCR: up to ten sub-IFDs; the file ends after the furthest raw strip
// plus Kodak's private data.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class DcrFileCheck final : public TiffFamilyCheck {
 public:
  explicit DcrFileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "dcr"; }

 private:
  // Raises stripEnd to the sub-IFD's strip end and adds its private data to kodakBytes.
  bool walkSubIfd(uint32_t offset, uint64_t& stripEnd, uint64_t& kodakBytes);

};

}  // namespace salvonix
