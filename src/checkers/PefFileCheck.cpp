#include "checkers/PefFileCheck.h"

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMaxPefIfds = 6;
constexpr StripRule kPefRule{.fallback = Fallback::BeforeIfd0};
}  // namespace

uint64_t PefFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0(header, sectorNumber);
  if (!ifd0) return 0;
  StripEnd strips{.ifd0 = *ifd0};
  uint32_t jpegOffset = 0;
  // A preview beyond the file's largest offset is not believed.
  const auto previewOrStrip = [&](const IfdEntry& e) {
    return takeLongerPreview(context_, sectorNumber, e, jpegOffset, kLimit150MiB);
  };
  IfdChain chain(*ifd0);
  uint64_t offset = *ifd0;
  for (uint32_t index = 0; offset != 0; ++index) {
    if (cancelled(context_) || index == kMaxPefIfds || offset < 8 || offset > kLimit200MiB) return 0;
    const auto entries = reader_.boundedEntryCount(offset, 2);
    if (!entries) return 0;
    if (index > 0 && strips.end < offset) strips.end += 12ull * *entries + 6;
    strips.fallback = *ifd0 + 12ull * *entries;
    if (!walkStrips(reader_, context_, offset, *entries, kPefRule, strips, previewOrStrip)) return 0;
    const auto next = reader_.nextIfd(offset, *entries);
    if (!next) return 0;
    offset = chain.follow(*next);
  }
  const uint64_t end = strips.end;
  const uint64_t size = context_.u64RawJpgFileSize + end;
  return (size >= kMinSize && size <= kLimit200MiB) ? size + kSlack : 0;
}

}  // namespace salvonix
