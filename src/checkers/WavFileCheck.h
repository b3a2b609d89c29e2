#pragma once
// WAV files, recognised and sized from the sector header alone.

#include "checkers/FileCheck.h"
#include "scan/ScanContext.h"

namespace salvonix {

class WavFileCheck final : public FileCheck {
 public:
  explicit WavFileCheck(ScanContext&) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x52; }
  std::string_view parentKey() override { return "wav"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x52; }
  // The length the RIFF header declares.
  bool measuredWhole() const override { return true; }
};

}  // namespace salvonix
