#pragma once
// Canon CRW: a heap file behind "HEAPCCDR". Its end is the root heap's
// trailer, found by a search; the root table's second entry may point at the
// JPEG preview, which is reported to the engine.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class CrwFileCheck final : public FileCheck {
 public:
  explicit CrwFileCheck(ScanContext& context)
      : context_(context), window_(context, FileWindow::kMaxReads) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x49; }
  std::string_view parentKey() override { return "crw"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'I' || firstByte == 'M'; }

 private:
  // Searches for the root heap's trailer: its file offset (0 when none is
  // found) and its distance from the root table's start. False when a read
  // fails or the scan is cancelled.
  bool findTrailer(uint64_t headerLength, uint64_t& trailer, uint64_t& tableLength);
  // Reports the preview the root table's second entry names, if any. False
  // when a read fails.
  bool reportPreview(uint64_t sectorNumber, uint64_t headerLength, uint64_t tableStart);

  ScanContext& context_;
  FileWindow window_;
  ByteOrder order_ = ByteOrder::Little;
};

}  // namespace salvonix
