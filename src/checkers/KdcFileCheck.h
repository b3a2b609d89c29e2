#pragma once
// Kodak KDC (DC120, DC50, P880): told apart by Make and Model; sized by the end of the raw strip.

#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

class KdcFileCheck final : public TiffFamilyCheck {
 public:
  explicit KdcFileCheck(ScanContext& context);
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  std::string_view parentKey() override { return "kdc"; }

 private:
};

}  // namespace salvonix
