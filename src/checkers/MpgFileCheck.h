#pragma once
// MPEG-1 and MPEG-2 program streams, and bare video elementary streams that
// begin with a sequence header: recognised by a second start code close to
// the first, measured by walking the start codes. Asks the engine to skip
// files longer than 10,240 bytes.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class MpgFileCheck final : public FileCheck {
 public:
  explicit MpgFileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0; }
  std::string_view parentKey() override { return "mpg"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0; }

 private:
  // Finds the next accepted start code within the first 50 bytes and keeps its distance.
  bool isFileValidated(uint64_t sectorNumber);
  uint64_t programStreamWalk();
  uint64_t elementaryStreamWalk(SectorHeader header);

  ScanContext& context_;
  FileWindow window_;
  bool bHeader0x1B3_ = false;
  // Header length of every pack of the file, measured on its first pack.
  uint32_t uBAFrameValue_ = 0;
};

}  // namespace salvonix
