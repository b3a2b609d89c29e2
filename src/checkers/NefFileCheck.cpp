#include "checkers/NefFileCheck.h"

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
bool inSizeRange(uint64_t size) { return size >= kMinSize && size <= kLimit200MiB; }
}  // namespace

NefFileCheck::NefFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kNefVariant) {}

std::optional<uint32_t> NefFileCheck::stripValue(const IfdEntry& entry) {
  if (entry.count <= 1) return entry.number();
  return reader_.lastElement(entry, kLimit150MiB);
}

uint64_t NefFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  const uint64_t ifd0Size = 12ull * *entries + 6;

  std::optional<IfdEntry> subIfds;
  for (uint32_t k = 0; k < *entries && !subIfds; ++k) {
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagSubIfds) subIfds = e;
  }
  if (!subIfds) return inSizeRange(ifd0Size) ? ifd0Size : 0;

  uint64_t end = 0;
  const uint32_t count = subIfds->count;
  if (count >= 2 && count <= 65534) {
    if (subIfds->value > kLimit200MiB) return 0;
    uint32_t jpegOffset = 0;
    for (uint32_t i = 0; i < count; ++i) {
      if (cancelled(context_)) return 0;
      const auto offset = reader_.u32(uint64_t{subIfds->value} + 4ull * i);
      if (!offset || *offset > kLimit150MiB) return 0;
      if (!walkListedSubIfd(*offset, sectorNumber, jpegOffset, end)) return 0;
    }
  } else if (count == 1) {
    if (subIfds->value > kLimit150MiB) return 0;
    std::optional<uint64_t> sizeNow;
    if (!walkOnlySubIfd(subIfds->value, sectorNumber, end, sizeNow)) return 0;
    // A single strip ends the file exactly, without slack.
    if (sizeNow) return inSizeRange(*sizeNow) ? *sizeNow : 0;
  }
  if (end < ifd0) end = ifd0Size;
  return inSizeRange(end) ? end + kSlack : 0;
}

bool NefFileCheck::walkListedSubIfd(uint32_t offset, uint64_t sectorNumber, uint32_t& jpegOffset, uint64_t& end) {
  const auto entries = reader_.entryCount(offset);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return false;
  uint64_t strip = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    if (e->tag == kTagJpegOffset) {
      jpegOffset = e->value;
    } else if (e->tag == kTagJpegLength) {
      if (e->value > context_.u64RawJpgFileSize) {
        reportPreviewStart(context_, sectorNumber, jpegOffset);
        context_.u64RawJpgFileSize = e->value;
        context_.bRawJpgFileFound = true;
      }
    } else if (e->tag == kTagStripOffsets || e->tag == kTagStripByteCounts) {
      const auto value = stripValue(*e);
      if (!value) return false;
      if (e->tag == kTagStripOffsets) {
        strip = *value;
      } else {
        end = strip + *value;
      }
    }
  }
  return true;
}

bool NefFileCheck::walkOnlySubIfd(uint32_t offset, uint64_t sectorNumber, uint64_t& end,
                                  std::optional<uint64_t>& sizeNow) {
  const auto entries = reader_.entryCount(offset);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return false;
  uint64_t strip = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    if (e->tag == kTagJpegOffset) {
      reportPreviewStart(context_, sectorNumber, e->value);
    } else if (e->tag == kTagJpegLength) {
      context_.u64RawJpgFileSize = e->value;
      context_.bRawJpgFileFound = true;
    } else if (e->tag == kTagStripOffsets || e->tag == kTagStripByteCounts) {
      const auto value = stripValue(*e);
      if (!value) return false;
      if (e->tag == kTagStripOffsets) {
        strip = *value;
      } else if (e->count == 1) {
        sizeNow = strip + *value;
        return true;
      } else {
        end = strip + *value;
      }
    }
  }
  return true;
}

}  // namespace salvonix
