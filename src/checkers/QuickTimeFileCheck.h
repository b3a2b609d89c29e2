#pragma once
// The QuickTime and ISO media family (MOV, MP4, M4A, M4B, M4V, 3GP, 3G2): one
// atom walk over the top-level chain; the seven types are rows of a table that
// give the few rules in which they differ.

#include <string_view>

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

enum class QuickTimeType { Mov, Mp4, M4a, M4b, M4v, ThreeGp, ThreeGTwo };

struct QuickTimeVariant {
  enum class FirstAtom {
    QuickTimeMovie,  // "ftyp" with brand qt, or a first atom "mdat", "moov", "pnot", "skip", "wide", "uuid"
    Brand,           // "ftyp" whose brand starts with the three letters of `brand`
    OtherBrand,      // "ftyp" with a brand none of the others claims
  };
  std::string_view key;
  FirstAtom firstAtom;
  std::string_view brand;   // three letters, for FirstAtom::Brand
  bool confirmSecondAtom;   // header test: the first atom's size is 8 to 1 MiB and the next atom is known
  bool capTotal;            // a chain of 32-bit sizes stops once the total passes 2,147,483,640
  uint64_t smallResult;     // the size for a chain of at most 10,239 bytes
};

class QuickTimeFileCheck final : public FileCheck {
 public:
  QuickTimeFileCheck(ScanContext& context, QuickTimeType type);
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0; }
  std::string_view parentKey() override { return variant_.key; }
  // A first atom of 8 bytes to 1 MiB has a zero first byte; 3GP and 3G2 test no size.
  bool mayStartWith(uint8_t firstByte) const override { return !variant_.confirmSecondAtom || firstByte == 0; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  bool firstAtomMatches(SectorHeader header) const;

  ScanContext& context_;
  const QuickTimeVariant& variant_;
  FileWindow window_;
  bool measuredWhole_ = false;
};

}  // namespace salvonix
