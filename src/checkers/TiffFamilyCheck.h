#pragma once
// What every TIFF-based checker shares: the gated make classifier as its
// header test, the first byte "I", the family's byte readers and the Pentax
// IFD counter. A checker passes its classifier variant.

#include "checkers/FileCheck.h"
#include "checkers/MakeClassifier.h"
#include "checkers/TiffToolkit.h"

namespace salvonix {

class TiffFamilyCheck : public FileCheck {
 public:
  bool isFile(SectorHeader header, uint64_t sectorNumber) override { return classifier_.isFile(header, sectorNumber); }
  uint32_t firstByteOfHeader() const override { return 0x49; }
  // The classifier answers only for "II" and "MM" headers.
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'I' || firstByte == 'M'; }

  int pentaxRawTiffFile(SectorHeader header, uint64_t sectorNumber) {
    return tiff::pentaxRawTiffFile(reader_, header, sectorNumber);
  }
  static uint32_t twoByteRead(const uint8_t* buffer, int position, int offset) {
    return tiff::twoByteRead(buffer, position, offset);
  }
  static uint32_t fourByteRead(const uint8_t* buffer, int position, int offset) {
    return tiff::fourByteRead(buffer, position, offset);
  }

 protected:
  TiffFamilyCheck(ScanContext& context, const tiff::ClassifierVariant& variant)
      : context_(context), reader_(context), classifier_(context, reader_, variant) {}

  // Starts a size calculation: the byte order the classifier found (false
  // when it found none) and a clean preview report for this file.
  bool startSizing(uint64_t sectorNumber);

  ScanContext& context_;
  tiff::TiffReader reader_;

 private:
  tiff::MakeClassifier classifier_;
};

}  // namespace salvonix
