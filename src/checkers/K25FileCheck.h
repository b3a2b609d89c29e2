#pragma once
// Kodak K25 (DC25): told apart by Make and Model; sized by the end of the raw strip.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class K25FileCheck final : public TiffFamilyCheck {
 public:
  explicit K25FileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "k25"; }

 private:
};

}  // namespace salvonix
