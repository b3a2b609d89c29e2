#include "checkers/KodakFileCheck.h"

#include "checkers/TiffStripWalk.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

const KodakKind tiff::kKdcKind{{kKdcVariant, "kdc"}, kNoLimit, 25, kSlack};
const KodakKind tiff::kK25Kind{{kK25Variant, "k25"}, kLimit150MiB, UINT32_MAX, 0};

namespace {
// The first strip read ends the walk; an end at or before IFD0 becomes IFD0's.
constexpr StripRule kSubIfdRule{.fallback = Fallback::AtOrBeforeIfd0, .stop = StopAt::FirstEnd};
constexpr StripRule kFullResolutionRule{
    .tilesAndJpeg = true, .fallback = Fallback::AtOrBeforeIfd0, .stop = StopAt::FirstEnd};
}  // namespace

uint64_t KodakStripCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;
  // The strip offset read last carries over between IFD0 and its sub-IFDs.
  StripEnd strips{.ifd0 = ifd0->offset, .fallback = ifd0->end() + 8};
  const auto boundedStrips = [this](const IfdEntry& e) {
    const bool strip = e.tag == kTagStripOffsets || e.tag == kTagStripByteCounts;
    return strip && e.count > kind_.maxStripValues ? Step::Fail : Step::Strip;
  };
  bool fullResolution = false;
  const auto ifd0Entry = [&](const IfdEntry& e) {
    if (e.tag == kTagNewSubfileType && e.number() == 0) {
      fullResolution = true;
      return Step::Next;
    }
    if (fullResolution) return Step::Strip;
    if (e.tag != kTagSubIfds) return Step::Next;
    const bool walked = e.value <= kind_.subIfdOffsetLimit &&
                        walkStripIfd(reader_, context_, e.value, 0, kSubIfdRule, strips, boundedStrips);
    return walked ? Step::Next : Step::Fail;
  };
  if (!walkStrips(reader_, context_, ifd0->offset, ifd0->entries, kFullResolutionRule, strips, ifd0Entry)) return 0;
  return (strips.end >= kMinSize && strips.end <= kLimit200MiB) ? strips.end + kind_.slack : 0;
}

}  // namespace salvonix
