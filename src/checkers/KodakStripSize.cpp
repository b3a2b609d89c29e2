#include "checkers/KodakStripSize.h"

namespace salvonix::tiff {

namespace {

bool isStart(uint32_t tag) { return tag == kTagStripOffsets || tag == kTagTileOffsets || tag == kTagJpegOffset; }
bool isLength(uint32_t tag) {
  return tag == kTagStripByteCounts || tag == kTagTileByteCounts || tag == kTagJpegLength;
}

std::optional<uint32_t> stripValue(TiffReader& reader, const IfdEntry& e) {
  if (e.count >= 2 && e.count <= 65534) return reader.lastElement(e, kLimit150MiB);
  return e.number();
}

}  // namespace

uint64_t kodakStripSize(TiffReader& reader, uint32_t ifd0, const KodakStripRule& rule) {
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  const uint64_t ifd0End = ifd0 + 12ull * *entries + 8;
  uint64_t end = 0;
  uint64_t strip = 0;
  bool fullResolution = false;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagNewSubfileType && e->number() == 0) {
      fullResolution = true;
    } else if (fullResolution && (isStart(e->tag) || isLength(e->tag))) {
      const auto value = stripValue(reader, *e);
      if (!value) return 0;
      if (isStart(e->tag)) {
        strip = *value;
        continue;
      }
      end = strip + *value;
      if (end <= ifd0) end = ifd0End;
      break;
    } else if (!fullResolution && e->tag == kTagSubIfds) {
      if (e->value > rule.subIfdOffsetLimit) return 0;
      const auto subEntries = reader.entryCount(e->value);
      if (!subEntries || *subEntries > kMaxEntries) return 0;
      for (uint32_t j = 0; j < *subEntries; ++j) {
        const auto s = reader.entry(e->value, j);
        if (!s) return 0;
        if (s->tag != kTagStripOffsets && s->tag != kTagStripByteCounts) continue;
        if (s->count > rule.maxStripValues) return 0;
        const auto value = stripValue(reader, *s);
        if (!value) return 0;
        if (s->tag == kTagStripOffsets) {
          strip = *value;
        } else {
          end = strip + *value;
          if (end <= ifd0) end = ifd0End;
          break;
        }
      }
    }
  }
  return (end >= kMinSize && end <= kLimit200MiB) ? end + rule.slack : 0;
}

}  // namespace salvonix::tiff
