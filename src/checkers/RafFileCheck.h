#pragma once
// Fuji RAF: a fixed header behind "FUJIFILMCCD-RAW" that places the raw sensor
// data and the JPEG preview, which is reported to the engine.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class RafFileCheck final : public FileCheck {
 public:
  explicit RafFileCheck(ScanContext& context)
      : context_(context), window_(context, FileWindow::kMaxReads) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x46; }
  std::string_view parentKey() override { return "raf"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'F'; }

 private:
  ScanContext& context_;
  FileWindow window_;
};

}  // namespace salvonix
