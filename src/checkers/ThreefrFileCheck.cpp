#include "checkers/ThreefrFileCheck.h"

#include "checkers/PanasonicRawSize.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kTrimmedFrom = 31457280;
constexpr uint64_t kTrim = 10485760;
}  // namespace

ThreefrFileCheck::ThreefrFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kThreefrVariant) {}

uint64_t ThreefrFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  uint64_t end = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag != kTagSubIfds) continue;
    if (e->value > kLimit150MiB) return 0;
    const auto subEntries = reader_.entryCount(e->value);
    if (!subEntries || *subEntries < 2 || *subEntries > kMaxEntries) return 0;
    uint64_t strip = 0;
    for (uint32_t j = 0; j < *subEntries; ++j) {
      const auto s = reader_.entry(e->value, j);
      if (!s) return 0;
      if (s->tag != kTagStripOffsets && s->tag != kTagStripByteCounts) continue;
      const auto value = rawStripValue(reader_, *s);
      if (!value) return 0;
      if (s->tag == kTagStripOffsets) {
        strip = *value;
        continue;
      }
      end = strip + *value;
      if (end <= ifd0) end = ifd0 + 12ull * *entries + 8;
      break;
    }
  }
  if (end < kMinSize || end > kLimit200MiB) return 0;
  return end >= kTrimmedFrom ? end - kTrim : end;
}

}  // namespace salvonix
