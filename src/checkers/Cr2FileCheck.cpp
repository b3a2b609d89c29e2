#include "checkers/Cr2FileCheck.h"

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
// The raw IFD's first strip ends the file.
constexpr StripRule kRawIfdRule{.stop = StopAt::FirstEnd};
}  // namespace

uint64_t Cr2FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0(header, sectorNumber);
  if (!ifd0) return 0;
  const auto preview = [&](const IfdEntry& e) {
    // IFD0's strip is the preview JPEG.
    if (e.tag == kTagStripOffsets) reportPreviewStart(context_, sectorNumber, e.number());
    if (e.tag == kTagStripByteCounts) {
      context_.u64RawJpgFileSize = e.number();
      context_.bRawJpgFileFound = true;
    }
    return Step::Next;
  };
  IfdChain chain(*ifd0);
  uint64_t offset = *ifd0;
  for (uint32_t index = 0; index < kMaxChain; ++index) {
    const auto entries = reader_.boundedEntryCount(offset, 2);
    const auto next = entries ? reader_.nextIfd(offset, *entries) : std::nullopt;
    if (!next || cancelled(context_) || (index == 0 && !forEachEntry(reader_, context_, offset, *entries, preview))) {
      clearPreviewReport(context_);
      return 0;
    }
    const uint64_t following = chain.follow(*next);
    if (following == 0) return index == 0 ? 0 : rawDataEnd(offset, *entries);
    offset = following;
  }
  return 0;
}

uint64_t Cr2FileCheck::rawDataEnd(uint64_t ifdOffset, uint32_t entries) {
  StripEnd strips;
  // Counts from 2 to 65,534 mark a strip array, which a CR2's raw IFD never has.
  const auto noArrays = [](const IfdEntry& e) {
    const bool strip = e.tag == kTagStripOffsets || e.tag == kTagStripByteCounts;
    return strip && e.count >= 2 && e.count <= 65534 ? Step::Fail : Step::Strip;
  };
  if (!walkStrips(reader_, context_, ifdOffset, entries, kRawIfdRule, strips, noArrays)) return 0;
  return strips.end <= kLimit150MiB ? strips.end : 0;
}

}  // namespace salvonix
