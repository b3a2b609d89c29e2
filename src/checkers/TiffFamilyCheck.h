#pragma once
// What every TIFF-based checker shares: the gated make classifier as its
// header test, the first byte "I", a reader of the file and the start of a
// size calculation. A checker passes its classifier variant and key.

#include "checkers/FileCheck.h"
#include "checkers/MakeClassifier.h"
#include "checkers/TiffToolkit.h"

namespace salvonix {

namespace tiff {
// Where IFD0 lies and how many entries it has.
struct FirstIfd {
  uint32_t offset;
  uint32_t entries;
  // Its offset plus 12 bytes per entry, where the size rules take its entries to end.
  uint64_t end() const { return offset + 12ull * entries; }
  // Its bytes: the entry count, the entries and the next-IFD offset.
  uint64_t size() const { return 12ull * entries + 6; }
};

// A checker's classifier variant and the key of its files.
struct TiffKind {
  const ClassifierVariant& variant;
  std::string_view key;
};
}  // namespace tiff

class TiffFamilyCheck : public FileCheck {
 public:
  bool isFile(SectorHeader header, uint64_t sectorNumber) override { return classifier_.isFile(header, sectorNumber); }
  uint32_t firstByteOfHeader() const override { return 0x49; }
  std::string_view parentKey() override { return key_; }
  // The classifier answers only for "II" and "MM" headers.
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 'I' || firstByte == 'M'; }

 protected:
  TiffFamilyCheck(ScanContext& context, const tiff::TiffKind& kind)
      : context_(context), reader_(context), key_(kind.key), classifier_(context, reader_, kind.variant) {}

  // Starts a size calculation: the byte order the classifier found (false
  // when it found none) and a clean preview report for this file.
  bool startSizing(uint64_t sectorNumber);
  // startSizing, then IFD0's offset: null unless it lies between 8 and 200 MiB.
  std::optional<uint32_t> startIfd0(SectorHeader header, uint64_t sectorNumber);
  // The same with IFD0's entry count: null unless it lies between minEntries and kMaxEntries.
  std::optional<tiff::FirstIfd> startIfd0WithEntries(SectorHeader header, uint64_t sectorNumber, uint32_t minEntries);

  ScanContext& context_;
  tiff::TiffReader reader_;

 private:
  std::string_view key_;
  tiff::MakeClassifier classifier_;
};

// The checker `Base` for one of the formats it sizes alike.
template <typename Base, const auto& kind>
class TiffKindCheck final : public Base {
 public:
  explicit TiffKindCheck(ScanContext& context) : Base(context, kind) {}
};

}  // namespace salvonix
