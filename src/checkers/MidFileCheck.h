#pragma once
// MIDI: Standard MIDI Files, measured by walking their track chunks, and MIDI
// wrapped in a RIFF "RMID" container, sized from the RIFF length.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class MidFileCheck final : public FileCheck {
 public:
  explicit MidFileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x4D; }
  std::string_view parentKey() override { return "mid"; }
  // "MThd", or "RIFF" for the wrapped form.
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'M' || firstByte == 'R'; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  ScanContext& context_;
  FileWindow window_;
  bool bRiffMidiFile_ = false;
  bool measuredWhole_ = false;
};

}  // namespace salvonix
