#pragma once
// AIFF and AIFF-C: walks the chunks of the FORM while their identifiers are
// known AIFF chunk types.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class AifFileCheck final : public FileCheck {
 public:
  explicit AifFileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x46; }
  std::string_view parentKey() override { return "aif"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'F'; }

 private:
  ScanContext& context_;
  FileWindow window_;
};

}  // namespace salvonix
