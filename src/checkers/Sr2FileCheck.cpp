#include "checkers/Sr2FileCheck.h"

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kPreviewMinLength = 1025;
}  // namespace

Sr2FileCheck::Sr2FileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kSr2Variant) {}

uint64_t Sr2FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries > kMaxEntries) return 0;
  const uint64_t ifd0End = ifd0 + 12ull * *entries + 6;
  uint64_t end = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return 0;
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag != kTagSubIfds) continue;
    if (e->value > kLimit150MiB || !walkSubIfd(e->value, sectorNumber, ifd0, ifd0End, end)) return 0;
  }
  return (end >= kMinSize && end <= kLimit200MiB) ? end + kSlack : 0;
}

bool Sr2FileCheck::walkSubIfd(uint32_t offset, uint64_t sectorNumber, uint32_t ifd0, uint64_t ifd0End,
                              uint64_t& end) {
  const auto entries = reader_.entryCount(offset);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return false;
  uint64_t strip = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return false;
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    const bool start = e->tag == kTagStripOffsets || e->tag == kTagJpegOffset;
    const bool length = e->tag == kTagStripByteCounts || e->tag == kTagJpegLength;
    if (!start && !length) continue;
    // Starts with several values and lengths with 2 to 65,534 are arrays; their last element counts.
    const bool array = start ? e->count >= 2 : (e->count >= 2 && e->count <= 65534);
    const auto value = array ? reader_.lastElement(*e, kNoLimit) : std::optional<uint32_t>(e->number());
    if (!value) return false;
    if (e->tag == kTagStripOffsets) {
      strip = *value;
    } else if (e->tag == kTagJpegOffset) {
      reportPreviewStart(context_, sectorNumber, *value);
    } else if (e->tag == kTagStripByteCounts) {
      end = strip + *value;
      if (end <= ifd0) end = ifd0End;
    } else {
      context_.u64RawJpgFileSize = *value;
      context_.bRawJpgFileFound = *value >= kPreviewMinLength;
    }
  }
  return true;
}

}  // namespace salvonix
