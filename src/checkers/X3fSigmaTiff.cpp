// The TIFF kind of X3fFileCheck: TIFF files whose Make starts with "SIGMA",
// measured by the sum of their parts.

#include <algorithm>
#include <cstring>

#include "checkers/X3fFileCheck.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kMaxMakeOffset = 104857600;
constexpr uint64_t kMaxSizeIfd0Offset = 26214400;
constexpr uint32_t kMinHeaderEntries = 2;
constexpr uint32_t kMinIfd0Entries = 5;
constexpr uint32_t kMinEntries = 2;
// The largest Sigma TIFF accepted; a total beyond it can only end in 0.
constexpr uint64_t kMaxSize = kLimit150MiB;
// Recorded when the chain leads to an IFD of more than 100 entries.
constexpr uint64_t kBrokenChainSize = 26214400;
}  // namespace

bool X3fFileCheck::isSigmaTiff(SectorHeader h) {
  context_.tiff.bLittleEndianFile = false;
  context_.tiff.bBigEndianFile = false;
  const bool littleEndian = isLittleEndianMark(h);
  if (!littleEndian && !isBigEndianMark(h)) return false;
  (littleEndian ? context_.tiff.bLittleEndianFile : context_.tiff.bBigEndianFile) = true;
  if (hasCrwHeap(h)) return false;
  const uint64_t ifd0 = ifd0Offset(h, littleEndian);
  if (ifd0 < 8 || ifd0 > kLimit150MiB) return false;
  tiff_.startFile(window_.fileStart(), littleEndian);
  const auto entries = tiff_.boundedEntryCount(ifd0, kMinHeaderEntries);
  if (!entries) return false;

  bool sigma = false;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return false;
    const auto e = tiff_.entry(ifd0, k);
    if (!e) return false;
    if (e->tag == kTagMake) {
      if (e->value > kMaxMakeOffset) return false;
      const uint8_t* make = tiff_.bytes(e->value, 5);
      if (!make) return false;
      if (std::memcmp(make, "SIGMA", 5) == 0) sigma = true;
    } else if (e->tag == kTagDngVersion || e->tag == kTagDngBackwardVersion) {
      sigma = false;  // a Sigma DNG is a DNG
    }
  }
  return sigma;
}

bool X3fFileCheck::addByteCounts(const IfdEntry& entry, uint64_t total, uint64_t& dataTotal) {
  const uint64_t elementSize = static_cast<uint64_t>(scalarDataTypeValue(entry.type));
  if (elementSize * entry.count <= 4) {
    // Held in the entry itself.
    dataTotal = entry.number();
    return true;
  }
  // An array longer than the largest file accepted cannot belong to one.
  if (elementSize * entry.count > kMaxSize) return false;
  return addArrayValues(tiff_, context_, entry, elementSize, total, kMaxSize, dataTotal);
}

uint64_t X3fFileCheck::sigmaTiffSize() {
  extensionOfFile_ = ".tif";
  if (!context_.tiff.bLittleEndianFile && !context_.tiff.bBigEndianFile) return 0;
  tiff_.startFile(window_.fileStart(), context_.tiff.bLittleEndianFile);
  const auto ifd0 = tiff_.u32(4);
  if (!ifd0 || *ifd0 > kMaxSizeIfd0Offset) return 0;
  const auto ifd0Entries = tiff_.boundedEntryCount(*ifd0, kMinIfd0Entries);
  if (!ifd0Entries) return 0;

  uint64_t total = 8;  // the header
  IfdChain chain(*ifd0);
  uint64_t offset = *ifd0;
  for (uint32_t index = 0;; ++index) {
    if (index == kMaxChain || offset < 8 || offset > kLimit150MiB) return 0;
    const auto entries = tiff_.entryCount(offset);
    if (!entries || *entries < kMinEntries) return 0;
    total += 2 + 12ull * *entries + 4;
    uint64_t dataTotal = 0;
    for (uint32_t k = 0; k < *entries; ++k) {
      if (cancelled(context_)) return total;
      const auto e = tiff_.entry(offset, k);
      if (!e) return 0;
      if (e->tag == kTagStripByteCounts || e->tag == kTagTileByteCounts) {
        if (!addByteCounts(*e, total, dataTotal)) return 0;
        if (cancelled(context_)) return total;
      }
      // Values too large for the entry are stored after the directory.
      const uint64_t outOfLine = typeSizeClamped(e->type) * e->count;
      if (outOfLine > 4) total += outOfLine;
      if (total > kMaxSize) return 0;
    }
    total += dataTotal;
    if (total > kMaxSize) return 0;
    const auto next = tiff_.nextIfd(offset, *entries);
    if (!next) return 0;
    const uint64_t following = chain.follow(*next);
    if (following == 0) break;
    if (following > kLimit150MiB) return 0;
    const auto nextEntries = tiff_.entryCount(following);
    if (!nextEntries) return 0;
    if (*nextEntries > kMaxEntries) return std::max(total, kBrokenChainSize);
    offset = following;
    if (cancelled(context_)) break;
  }
  return total >= kMinSize && total <= kMaxSize ? total + kSlack : 0;
}

}  // namespace salvonix
