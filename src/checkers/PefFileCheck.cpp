#include "checkers/PefFileCheck.h"

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMaxPefIfds = 6;
}  // namespace

PefFileCheck::PefFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kPefVariant) {}

uint64_t PefFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  uint64_t end = 0;
  uint32_t jpegOffset = 0;
  uint64_t strip = 0;
  uint64_t offset = ifd0;
  for (uint32_t index = 0; offset != 0; ++index) {
    if (cancelled(context_) || index == kMaxPefIfds || offset < 8 || offset > kLimit200MiB) return 0;
    const auto entries = reader_.entryCount(offset);
    if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
    if (index > 0 && end < offset) end += 12ull * *entries + 6;
    const uint64_t ifdEnd = ifd0 + 12ull * *entries;
    for (uint32_t k = 0; k < *entries; ++k) {
      if (cancelled(context_)) return 0;
      const auto e = reader_.entry(offset, k);
      if (!e) return 0;
      if (e->tag == kTagJpegOffset) {
        jpegOffset = e->value;
      } else if (e->tag == kTagJpegLength) {
        if (e->value > context_.u64RawJpgFileSize) {
          reportPreviewStart(context_, sectorNumber, jpegOffset);
          context_.u64RawJpgFileSize = e->value;
          // A preview beyond the file's largest offset is not believed.
          context_.bRawJpgFileFound = jpegOffset <= kLimit150MiB;
        }
      } else if (e->tag == kTagStripOffsets || e->tag == kTagStripByteCounts) {
        const bool array = e->count >= 2 && e->count <= 65534;
        const auto value = array ? reader_.lastElement(*e, kLimit150MiB) : std::optional<uint32_t>(e->number());
        if (!value) return 0;
        if (e->tag == kTagStripOffsets) {
          strip = *value;
        } else {
          end = strip + *value;
          if (end < ifd0) end = ifdEnd;
        }
      }
    }
    const auto next = reader_.nextIfd(offset, *entries);
    if (!next) return 0;
    offset = *next;
  }
  const uint64_t size = context_.u64RawJpgFileSize + end;
  return (size >= kMinSize && size <= kLimit200MiB) ? size + kSlack : 0;
}

}  // namespace salvonix
