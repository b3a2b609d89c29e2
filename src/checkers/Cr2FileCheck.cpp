#include "checkers/Cr2FileCheck.h"

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
// Counts from 2 to 65,534 mark a strip array, which a CR2's raw IFD never has.
bool isStripArray(uint32_t count) { return count >= 2 && count <= 65534; }
}  // namespace

Cr2FileCheck::Cr2FileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kCr2Variant) {}

uint64_t Cr2FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  uint64_t offset = ifd0;
  for (uint32_t chain = 0; chain < kMaxChain; ++chain) {
    const auto entries = reader_.entryCount(offset);
    const auto next = entries ? reader_.nextIfd(offset, *entries) : std::nullopt;
    if (!next || *entries < 2 || *entries > kMaxEntries) {
      clearPreviewReport(context_);
      return 0;
    }
    if (chain == 0) {
      // IFD0's strip is the preview JPEG.
      for (uint32_t k = 0; k < *entries; ++k) {
        const auto e = reader_.entry(offset, k);
        if (!e) {
          clearPreviewReport(context_);
          return 0;
        }
        if (e->tag == kTagStripOffsets) reportPreviewStart(context_, sectorNumber, e->number());
        if (e->tag == kTagStripByteCounts) {
          context_.u64RawJpgFileSize = e->number();
          context_.bRawJpgFileFound = true;
        }
      }
    } else if (*next == 0) {
      return rawDataEnd(offset, *entries);
    }
    if (*next == 0) return 0;
    offset = *next;
  }
  return 0;
}

uint64_t Cr2FileCheck::rawDataEnd(uint64_t ifdOffset, uint32_t entries) {
  uint64_t strip = 0;
  for (uint32_t k = 0; k < entries; ++k) {
    const auto e = reader_.entry(ifdOffset, k);
    if (!e) return 0;
    if (e->tag != kTagStripOffsets && e->tag != kTagStripByteCounts) continue;
    if (isStripArray(e->count)) return 0;
    if (e->tag == kTagStripOffsets) {
      strip = e->number();
    } else {
      const uint64_t end = strip + e->number();
      return end <= kLimit150MiB ? end : 0;
    }
  }
  return 0;
}

}  // namespace salvonix
