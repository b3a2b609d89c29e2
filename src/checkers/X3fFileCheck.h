#pragma once
// Sigma files, both filed under X3F: X3F raw files ("FOVb", ending with a
// section directory, possibly carrying a JPEG preview that is reported to the
// engine) and TIFF files whose Make starts with "SIGMA". The extension of the
// file last measured tells the engine which of the two it was.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"
#include "checkers/TiffToolkit.h"

namespace salvonix {

class X3fFileCheck final : public FileCheck {
 public:
  explicit X3fFileCheck(ScanContext& context)
      : context_(context),
        window_(context, FileWindow::kMaxReads),
        tiff_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x46; }
  std::string_view parentKey() override { return "x3f"; }
  // ".x3f" or ".tif", chosen by the last size calculation.
  std::string_view extensionOfFile() const override { return extensionOfFile_; }
  // "FOVb", or the "II" / "MM" of a TIFF.
  bool mayStartWith(uint8_t firstByte) const override {
    return firstByte == 'F' || firstByte == 'I' || firstByte == 'M';
  }

 private:
  uint64_t x3fSize(uint64_t sectorNumber);
  // The "SECd" directory: its offset (0 when none is found) and entry count.
  // False when a read fails or the scan is cancelled.
  bool findDirectory(uint64_t& directory, uint32_t& entries);
  void reportPreview(uint64_t sectorNumber, uint64_t previewStart, uint64_t previewSize);

  // The TIFF kind.
  bool isSigmaTiff(SectorHeader header);
  uint64_t sigmaTiffSize();
  // Adds the byte counts of a strip or tile byte-count entry to dataTotal;
  // false when the file cannot be measured.
  bool addByteCounts(const tiff::IfdEntry& entry, uint64_t total, uint64_t& dataTotal);

  ScanContext& context_;
  FileWindow window_;      // X3F raw files
  tiff::TiffReader tiff_;  // Sigma TIFF files
  std::string_view extensionOfFile_ = ".x3f";
};

}  // namespace salvonix
