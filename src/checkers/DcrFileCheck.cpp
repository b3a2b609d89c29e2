#include "checkers/DcrFileCheck.h"

#include <algorithm>

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kKodakPrivateTag = 0xFDE9;
constexpr uint64_t kMaxKodakBytes = 0x4B000;
constexpr uint32_t kMaxSubIfds = 10;

bool isStripArray(uint32_t count) { return count >= 2 && count <= 65534; }
}  // namespace

DcrFileCheck::DcrFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kDcrVariant) {}

uint64_t DcrFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  uint64_t stripEnd = 0;
  uint64_t kodakBytes = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag != kTagSubIfds) continue;
    if (e->count < 1 || e->count > kMaxSubIfds) return 0;
    for (uint32_t i = 0; i < e->count; ++i) {
      std::optional<uint32_t> offset;
      if (e->count == 1) {
        if (e->value <= kLimit150MiB) offset = e->value;
      } else {
        offset = reader_.u32(uint64_t{e->value} + 4ull * i);
        if (offset && *offset > kLimit200MiB) offset.reset();
      }
      if (!offset || !walkSubIfd(*offset, stripEnd, kodakBytes)) return 0;
    }
  }
  const uint64_t size = stripEnd + kodakBytes;
  return (size >= kMinSize && size <= kLimit200MiB) ? size + kSlack : 0;
}

bool DcrFileCheck::walkSubIfd(uint32_t offset, uint64_t& stripEnd, uint64_t& kodakBytes) {
  const auto entries = reader_.entryCount(offset);
  if (!entries || *entries > kMaxEntries) return false;
  uint64_t strip = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    if (e->tag == kKodakPrivateTag) {
      kodakBytes = std::min<uint64_t>(kodakBytes + 4ull * e->count, kMaxKodakBytes);
    } else if (e->tag == kTagStripOffsets || e->tag == kTagStripByteCounts) {
      const bool array = isStripArray(e->count);
      const auto value = array ? reader_.lastElement(*e, kLimit150MiB) : std::optional<uint32_t>(e->number());
      if (!value) return false;
      if (e->tag == kTagStripOffsets) {
        strip = *value;
        continue;
      }
      stripEnd = std::max(stripEnd, strip + *value);
      if (array) break;
    }
  }
  return true;
}

}  // namespace salvonix
