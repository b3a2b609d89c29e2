#include "checkers/NefFileCheck.h"

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
bool inSizeRange(uint64_t size) { return size >= kMinSize && size <= kLimit200MiB; }
// Strip entries of several values are arrays.
constexpr StripRule kNefRule{.offsetsArrayTo = UINT32_MAX, .countsArrayTo = UINT32_MAX};
}  // namespace

uint64_t NefFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;

  std::optional<IfdEntry> subIfds;
  const auto findSubIfds = [&](const IfdEntry& e) {
    if (e.tag != kTagSubIfds) return Step::Next;
    subIfds = e;
    return Step::Stop;
  };
  if (!forEachEntry(reader_, context_, ifd0->offset, ifd0->entries, findSubIfds)) return 0;
  if (!subIfds) return inSizeRange(ifd0->size()) ? ifd0->size() : 0;

  StripEnd strips;
  const uint32_t count = subIfds->count;
  if (count >= 2 && count <= 65534) {
    if (subIfds->value > kLimit200MiB) return 0;
    // Each sub-IFD's strips set the end; the longest preview is reported.
    uint32_t jpegOffset = 0;
    const auto longestPreview = [&](const IfdEntry& e) {
      return takeLongerPreview(context_, sectorNumber, e, jpegOffset, kNoLimit);
    };
    for (uint32_t i = 0; i < count; ++i) {
      if (cancelled(context_)) return 0;
      const auto offset = reader_.u32(uint64_t{subIfds->value} + 4ull * i);
      if (!offset || *offset > kLimit150MiB) return 0;
      strips.strip = 0;
      if (!walkStripIfd(reader_, context_, *offset, 2, kNefRule, strips, longestPreview)) return 0;
    }
  } else if (count == 1) {
    std::optional<uint64_t> sizeNow;
    const auto onlyPreview = [&](const IfdEntry& e) {
      if (e.tag == kTagJpegOffset) {
        reportPreviewStart(context_, sectorNumber, e.value);
      } else if (e.tag == kTagJpegLength) {
        context_.u64RawJpgFileSize = e.value;
        context_.bRawJpgFileFound = true;
      } else if (e.tag == kTagStripByteCounts && e.count == 1) {
        // A single strip ends the file exactly, without slack.
        sizeNow = strips.strip + e.number();
        return Step::Stop;
      } else {
        return Step::Strip;
      }
      return Step::Next;
    };
    if (walkSubIfd(reader_, context_, *subIfds, kLimit150MiB, 2, kNefRule, strips, onlyPreview) == Step::Fail) return 0;
    if (sizeNow) return inSizeRange(*sizeNow) ? *sizeNow : 0;
  }
  const uint64_t end = strips.end < ifd0->offset ? ifd0->size() : strips.end;
  return inSizeRange(end) ? end + kSlack : 0;
}

}  // namespace salvonix
