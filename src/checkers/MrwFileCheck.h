#pragma once
// Minolta MRW: 00 "MRM", the length of the block area, then tagged blocks; the
// "PRD" block gives the sensor size and sample packing the image data's length
// follows from.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class MrwFileCheck final : public FileCheck {
 public:
  explicit MrwFileCheck(ScanContext& context)
      : context_(context), window_(context, FileWindow::kMaxReads) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0; }
  std::string_view parentKey() override { return "mrw"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0; }

 private:
  ScanContext& context_;
  FileWindow window_;
};

}  // namespace salvonix
