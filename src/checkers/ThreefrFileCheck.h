#pragma once
// Hasselblad 3FR: the raw strip lies in IFD0's sub-IFD; large files are
// trimmed by a fixed amount.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class ThreefrFileCheck final : public TiffFamilyCheck {
 public:
  explicit ThreefrFileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "3fr"; }

 private:
};

}  // namespace salvonix
