#include "checkers/QuickTimeFileCheck.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
using V = QuickTimeVariant;
// By QuickTimeType.
constexpr std::array<QuickTimeVariant, 7> kVariants{{
    // key   first atom               brand  2nd atom  cap    small
    {"mov", V::FirstAtom::QuickTimeMovie, "", true, false, 0},
    {"mp4", V::FirstAtom::OtherBrand, "", true, true, 0},
    {"m4a", V::FirstAtom::Brand, "M4A", true, false, 512},
    {"m4b", V::FirstAtom::Brand, "M4B", true, true, 512},
    {"m4v", V::FirstAtom::Brand, "M4V", true, true, 512},
    {"3gp", V::FirstAtom::Brand, "3gp", false, true, 512},
    {"3g2", V::FirstAtom::Brand, "3g2", false, true, 512},
}};

constexpr uint32_t fourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint8_t(s[3]);
}
constexpr uint32_t kFtyp = fourCC("ftyp");
// Top-level atoms of movies, of ISO media files and of their fragmented
// (streaming, DASH, CMAF) form.
constexpr std::array<uint32_t, 15> kKnownAtoms = {
    fourCC("ftyp"), fourCC("free"), fourCC("mdat"), fourCC("moov"), fourCC("pnot"),
    fourCC("skip"), fourCC("wide"), fourCC("uuid"), fourCC("moof"), fourCC("mfra"),
    fourCC("sidx"), fourCC("styp"), fourCC("emsg"), fourCC("prft"), fourCC("meta")};
// First atoms that make a QuickTime movie whatever follows them.
constexpr std::array<uint32_t, 6> kMovieFirstAtoms = {fourCC("mdat"), fourCC("moov"), fourCC("pnot"),
                                                      fourCC("skip"), fourCC("wide"), fourCC("uuid")};
// Brands claimed by the types that name theirs.
constexpr std::array<std::string_view, 5> kNamedBrands = {"M4A", "M4B", "M4V", "3gp", "3g2"};

constexpr uint32_t kSmallestFirstAtom = 8;
constexpr uint32_t kLargestFirstAtom = 1048576;
constexpr uint64_t kLargeSizeFollows = 1;   // the real size is the 64 bits after the type
constexpr uint64_t kLargeHeader = 16;
constexpr uint64_t kTotalCap = 2147483640;
constexpr uint64_t kSmallestTotal = 10239;
constexpr uint64_t kSlack = 512;

bool isKnownAtom(uint32_t type) { return std::find(kKnownAtoms.begin(), kKnownAtoms.end(), type) != kKnownAtoms.end(); }

}  // namespace

QuickTimeFileCheck::QuickTimeFileCheck(ScanContext& context, QuickTimeType type)
    : context_(context), variant_(kVariants[static_cast<std::size_t>(type)]), window_(context) {}

bool QuickTimeFileCheck::firstAtomMatches(SectorHeader h) const {
  const uint32_t type = bytes::be32(h.data(), 4);
  const std::string_view brand(reinterpret_cast<const char*>(h.data()) + 8, 3);
  const bool quickTimeBrand = h[8] == 'q' && h[9] == 't';
  switch (variant_.firstAtom) {
    case V::FirstAtom::QuickTimeMovie:
      if (type == kFtyp) return quickTimeBrand;
      return std::find(kMovieFirstAtoms.begin(), kMovieFirstAtoms.end(), type) != kMovieFirstAtoms.end();
    case V::FirstAtom::Brand:
      return type == kFtyp && brand == variant_.brand;
    case V::FirstAtom::OtherBrand:
      return type == kFtyp && !quickTimeBrand &&
             std::find(kNamedBrands.begin(), kNamedBrands.end(), brand) == kNamedBrands.end();
  }
  return false;
}

bool QuickTimeFileCheck::isFile(SectorHeader h, uint64_t sectorNumber) {
  if (!variant_.confirmSecondAtom) return firstAtomMatches(h);
  const uint32_t size = bytes::be32(h.data(), 0);
  if (size < kSmallestFirstAtom || size > kLargestFirstAtom) return false;
  if (!firstAtomMatches(h)) return false;
  window_.setFileStart(sectorNumber);
  const auto second = window_.u32(uint64_t{size} + 4, ByteOrder::Big);
  return second && isKnownAtom(*second);
}

uint64_t QuickTimeFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  measuredWhole_ = false;
  window_.setFileStart(sectorNumber);
  const uint64_t deviceBytesLeft = window_.bytesToDeviceEnd();
  if (!window_.bytesAt(0, 1)) return 0;
  uint64_t total = 0;  // the file offset of the next atom header
  bool largeAtomSeen = false;
  bool reachedEnd = false;
  while (!cancelled(context_)) {
    const uint8_t* header = window_.bytesAt(total, 8);
    if (!header) return 0;
    if (!isKnownAtom(bytes::be32(header, 4))) {
      reachedEnd = true;
      break;
    }
    uint64_t size = bytes::be32(header, 0);
    // Size 0: the atom runs to the end of the file, which nothing here tells.
    if (size == 0) break;
    if (size == kLargeSizeFollows) {
      const auto large = window_.u64(total + 8, ByteOrder::Big);
      if (!large) return 0;
      size = *large;
      if (size < kLargeHeader || size > deviceBytesLeft - std::min(total, deviceBytesLeft)) break;
      largeAtomSeen = true;
    }
    total += size;
    // The cap bounds chains of 32-bit sizes; a 64-bit size announces a large file and is bounded by the device.
    if (variant_.capTotal && !largeAtomSeen && total > kTotalCap) break;
  }
  if (total <= kSmallestTotal) return variant_.smallResult;
  measuredWhole_ = reachedEnd;
  return total + kSlack;
}

}  // namespace salvonix
