#include "checkers/DcrFileCheck.h"

#include <algorithm>

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kKodakPrivateTag = 0xFDE9;
constexpr uint64_t kMaxKodakBytes = 0x4B000;
constexpr uint32_t kMaxSubIfds = 10;
// The strips of a sub-IFD end where the furthest ends; an array ends the walk.
constexpr StripRule kSubIfdRule{.combine = Combine::Max, .stop = StopAt::ArrayEnd};
}  // namespace

uint64_t DcrFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;
  StripEnd strips;
  uint64_t kodakBytes = 0;
  const auto kodakOrStrip = [&](const IfdEntry& e) {
    if (e.tag != kKodakPrivateTag) return Step::Strip;
    kodakBytes = std::min<uint64_t>(kodakBytes + 4ull * e.count, kMaxKodakBytes);
    return Step::Next;
  };
  const auto subIfds = [&](const IfdEntry& e) {
    if (e.tag != kTagSubIfds) return Step::Next;
    if (e.count < 1 || e.count > kMaxSubIfds) return Step::Fail;
    for (uint32_t i = 0; i < e.count; ++i) {
      if (cancelled(context_)) return Step::Fail;
      std::optional<uint32_t> offset;
      if (e.count == 1) {
        if (e.value <= kLimit150MiB) offset = e.value;
      } else {
        offset = reader_.u32(uint64_t{e.value} + 4ull * i);
        if (offset && *offset > kLimit200MiB) offset.reset();
      }
      strips.strip = 0;
      if (!offset || !walkStripIfd(reader_, context_, *offset, 0, kSubIfdRule, strips, kodakOrStrip)) return Step::Fail;
    }
    return Step::Next;
  };
  if (!forEachEntry(reader_, context_, ifd0->offset, ifd0->entries, subIfds)) return 0;
  const uint64_t size = strips.end + kodakBytes;
  return (size >= kMinSize && size <= kLimit200MiB) ? size + kSlack : 0;
}

}  // namespace salvonix
