#include "checkers/QuickTimeFileCheck.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint32_t fourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint8_t(s[3]);
}
constexpr uint32_t kFtyp = fourCC("ftyp");
constexpr std::array<uint32_t, 8> kKnownAtoms = {fourCC("ftyp"), fourCC("free"), fourCC("mdat"), fourCC("moov"),
                                                 fourCC("pnot"), fourCC("skip"), fourCC("wide"), fourCC("uuid")};
// First atoms that make a QuickTime movie whatever follows them.
constexpr std::array<uint32_t, 6> kMovieFirstAtoms = {fourCC("mdat"), fourCC("moov"), fourCC("pnot"),
                                                      fourCC("skip"), fourCC("wide"), fourCC("uuid")};
// Brands claimed by the types that name theirs.
constexpr std::array<std::string_view, 5> kNamedBrands = {"M4A", "M4B", "M4V", "3gp", "3g2"};

constexpr uint32_t kSmallestFirstAtom = 8;
constexpr uint32_t kLargestFirstAtom = 1048576;
constexpr uint64_t kTotalCap = 2147483640;
constexpr uint64_t kSmallestTotal = 10239;
constexpr uint64_t kSlack = 512;

bool isKnownAtom(uint32_t type) { return std::find(kKnownAtoms.begin(), kKnownAtoms.end(), type) != kKnownAtoms.end(); }
}  // namespace

bool QuickTimeFileCheck::firstAtomMatches(SectorHeader h) const {
  const uint32_t type = bytes::be32(h.data(), 4);
  const std::string_view brand(reinterpret_cast<const char*>(h.data()) + 8, 3);
  switch (variant_.firstAtom) {
    case QuickTimeVariant::FirstAtom::QuickTimeMovie:
      if (type == kFtyp) return h[8] == 'q' && h[9] == 't';
      return std::find(kMovieFirstAtoms.begin(), kMovieFirstAtoms.end(), type) != kMovieFirstAtoms.end();
    case QuickTimeVariant::FirstAtom::Brand:
      return type == kFtyp && brand == variant_.brand;
    case QuickTimeVariant::FirstAtom::OtherBrand:
      return type == kFtyp && std::find(kNamedBrands.begin(), kNamedBrands.end(), brand) == kNamedBrands.end() &&
             h[8] != 'q' && h[9] != 't';
  }
  return false;
}

bool QuickTimeFileCheck::readWindow(uint64_t sector) {
  window_.fill(0);
  return readDiskFromQuickTimeFileCheck_.readSector(sector, kWindowBytes / context_.u32BytesInSector, window_.data());
}

bool QuickTimeFileCheck::isFile(SectorHeader h, uint64_t sectorNumber) {
  if (!variant_.confirmSecondAtom) return firstAtomMatches(h);
  const uint32_t size = bytes::be32(h.data(), 0);
  if (size < kSmallestFirstAtom || size > kLargestFirstAtom) return false;
  if (!firstAtomMatches(h)) return false;
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  if (!readWindow(sectorNumber + size / bytesPerSector)) return false;
  return isKnownAtom(bytes::be32(window_.data(), size % bytesPerSector + 4));
}

uint64_t QuickTimeFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint8_t* w = window_.data();
  if (!readWindow(sectorNumber)) return 0;
  uint64_t total = 0;
  uint64_t position = 0;  // of the next atom header in the window
  uint64_t windowSector = sectorNumber;
  while (!context_.bCancelScanning.load(std::memory_order_relaxed)) {
    if (!isKnownAtom(bytes::be32(w, position + 4))) break;
    uint64_t size = bytes::be32(w, position);
    if (size == 0) {
      if (!variant_.zeroSizeCountsEight) break;
      size = 8;
    }
    total += size;
    if (variant_.capTotal && total > kTotalCap) break;
    position += size;
    if (position >= kWindowBytes) {
      if (variant_.windowMove == QuickTimeVariant::WindowMove::ToSector) {
        windowSector = sectorNumber + total / bytesPerSector;
        position = total % bytesPerSector;
      } else {
        windowSector += position / kWindowBytes * (kWindowBytes / bytesPerSector);
        position = total % kWindowBytes;
      }
      if (!readWindow(windowSector)) return 0;
    }
  }
  if (total <= kSmallestTotal) return variant_.smallResult;
  return total + kSlack;
}

}  // namespace salvonix
