#include "checkers/OrfFileCheck.h"

#include <cstring>

#include "checkers/EmbeddedJpeg.h"
#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint64_t kRsAllowance = 5500;
constexpr uint64_t kNewerPreviewStart = 24576;
constexpr uint64_t kNewerSearchBytes = 32ull * 65536;
// Counted past the end marker's position in the newer maker note's preview.
constexpr uint64_t kNewerPreviewExtra = 65586;
constexpr uint32_t kPreviewBlockTag = 0x2020;
constexpr uint32_t kPreviewStartTag = 0x0101;
constexpr uint32_t kPreviewLengthTag = 0x0102;
constexpr uint64_t kMaxOlderPreview = 0x200000;
// Each strip's end is added to the allowance of the header's kind.
constexpr StripRule kOrfRule{.combine = Combine::Add};
}  // namespace

uint64_t OrfFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;
  StripEnd strips{.end = (header[2] == 'R' && header[3] == 'S') ? kRsAllowance : 0};
  const auto exifOrStrip = [&](const IfdEntry& e) {
    if (e.tag != kTagExifIfd) return Step::Strip;
    return findPreview(e.value, sectorNumber) ? Step::Next : Step::Fail;
  };
  if (!walkStrips(reader_, context_, ifd0->offset, ifd0->entries, kOrfRule, strips, exifOrStrip)) return 0;
  uint64_t end = strips.end;
  if (end < ifd0->offset) end += ifd0->size();
  return (end >= kMinSize && end <= kLimit200MiB) ? end + kSlack : 0;
}

bool OrfFileCheck::findPreview(uint32_t exifOffset, uint64_t sectorNumber) {
  const auto entries = reader_.entryCount(exifOffset);
  if (!entries) return false;
  for (uint32_t k = 0; k < *entries && !context_.bRawJpgFileFound; ++k) {
    if (cancelled(context_)) return false;
    const auto e = reader_.entry(exifOffset, k);
    if (!e) return false;
    if (e->tag != kTagMakerNote) continue;
    if (e->value > kLimit150MiB) return false;
    const uint8_t* note = reader_.bytes(e->value, 8);
    if (!note) return false;
    if (std::memcmp(note, "OLYMPUS", 7) == 0) {
      if (!searchPreviewEnd(sectorNumber)) return false;
    } else if (std::memcmp(note, "OLYMP\0", 6) == 0) {
      if (!readPreviewBlock(e->value, sectorNumber)) return false;
    }
  }
  return true;
}

bool OrfFileCheck::searchPreviewEnd(uint64_t sectorNumber) {
  const uint64_t from = reader_.deviceOffset(kNewerPreviewStart);
  const MarkerSearch end = findEndOfImage(reader_, context_, from, from + kNewerSearchBytes);
  if (end.outcome == MarkerSearch::ReadFailed || end.outcome == MarkerSearch::Cancelled) return false;
  if (end.outcome != MarkerSearch::Found) return true;
  reportPreviewStart(context_, sectorNumber, kNewerPreviewStart);
  context_.u64RawJpgFileSize = end.offset - from + kNewerPreviewExtra;
  context_.bRawJpgFileFound = true;
  return true;
}

bool OrfFileCheck::readPreviewBlock(uint32_t noteOffset, uint64_t sectorNumber) {
  // The older maker note's IFD starts 8 bytes in.
  const uint64_t noteIfd = uint64_t{noteOffset} + 8;
  const auto entries = reader_.entryCount(noteIfd);
  if (!entries) return false;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return false;
    const auto e = reader_.entry(noteIfd, k);
    if (!e) return false;
    if (e->tag != kPreviewBlockTag) continue;
    // The block's entry count lies 12 bytes after the position named.
    const uint64_t block = uint64_t{e->value} + 12;
    const auto blockEntries = reader_.entryCount(block);
    if (!blockEntries) return false;
    bool reported = false;
    for (uint32_t j = 0; j < *blockEntries; ++j) {
      if (cancelled(context_)) return false;
      const auto b = reader_.entry(block, j);
      if (!b) return false;
      if (b->tag == kPreviewStartTag) {
        reportPreviewStart(context_, sectorNumber, b->value);
        reported = true;
      } else if (b->tag == kPreviewLengthTag) {
        context_.u64RawJpgFileSize = b->value;
        context_.bRawJpgFileFound = b->value <= kMaxOlderPreview;
        reported = true;
        break;
      }
    }
    if (reported) break;
  }
  return true;
}

}  // namespace salvonix
