#include "checkers/ThreefrFileCheck.h"

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kTrimmedFrom = 31457280;
constexpr uint64_t kTrim = 10485760;
constexpr StripRule kSubIfdRule{.offsetsArrayTo = 65535, .countsArrayTo = 65535,
                                .fallback = Fallback::AtOrBeforeIfd0, .stop = StopAt::FirstEnd};
}  // namespace

uint64_t ThreefrFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;
  StripEnd strips{.ifd0 = ifd0->offset, .fallback = ifd0->end() + 8};
  const auto subIfds = [&](const IfdEntry& e) {
    return walkSubIfd(reader_, context_, e, kLimit150MiB, 2, kSubIfdRule, strips, stripsOnly);
  };
  if (!forEachEntry(reader_, context_, ifd0->offset, ifd0->entries, subIfds)) return 0;
  const uint64_t end = strips.end;
  if (end < kMinSize || end > kLimit200MiB) return 0;
  return end >= kTrimmedFrom ? end - kTrim : end;
}

}  // namespace salvonix
