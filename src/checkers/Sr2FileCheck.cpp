#include "checkers/Sr2FileCheck.h"

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kPreviewMinLength = 1025;
// Offsets with several values and byte counts with 2 to 65,534 are arrays; their last element counts.
constexpr StripRule kSubIfdRule{
    .offsetsArrayTo = UINT32_MAX, .arrayOffsetLimit = kNoLimit, .fallback = Fallback::AtOrBeforeIfd0};
}  // namespace

uint64_t Sr2FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 0);
  if (!ifd0) return 0;
  StripEnd strips{.ifd0 = ifd0->offset, .fallback = ifd0->end() + 6};
  // The preview's offset and length are read as the strip's are.
  const auto previewOrStrip = [&](const IfdEntry& e) {
    const bool start = e.tag == kTagJpegOffset;
    if (!start && e.tag != kTagJpegLength) return Step::Strip;
    const auto value = stripValue(reader_, kSubIfdRule, e, start);
    if (!value) return Step::Fail;
    if (start) {
      reportPreviewStart(context_, sectorNumber, *value);
    } else {
      context_.u64RawJpgFileSize = *value;
      context_.bRawJpgFileFound = *value >= kPreviewMinLength;
    }
    return Step::Next;
  };
  const auto subIfds = [&](const IfdEntry& e) {
    return walkSubIfd(reader_, context_, e, kLimit150MiB, 2, kSubIfdRule, strips, previewOrStrip);
  };
  if (!forEachEntry(reader_, context_, ifd0->offset, ifd0->entries, subIfds)) return 0;
  return (strips.end >= kMinSize && strips.end <= kLimit200MiB) ? strips.end + kSlack : 0;
}

}  // namespace salvonix
