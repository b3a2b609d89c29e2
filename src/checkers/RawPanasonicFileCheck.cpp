#include "checkers/RawPanasonicFileCheck.h"

#include "checkers/EmbeddedJpeg.h"
#include "checkers/TiffStripWalk.h"
#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

const TiffKind tiff::kRawPanasonicKind{kRawPanasonicVariant, "raw"};
const TiffKind tiff::kLeicaKind{kLeicaVariant, "lei"};

namespace {
constexpr uint32_t kPreviewTag = 0x002E;
// Largest offset inside the file at which a preview is still measured.
constexpr uint64_t kMaxPreviewOffset = 104857599;
constexpr StripRule kRawRule{.offsetsArrayTo = 65535, .countsArrayTo = 65535};
}  // namespace

uint64_t PanasonicRawCheck::jpegSize(uint64_t sectorNumber, uint32_t position) {
  return measureJpeg(reader_, context_, sectorNumber * context_.u32BytesInSector + position, kRawPreviewJpeg);
}

uint64_t PanasonicRawCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto ifd0 = startIfd0WithEntries(header, sectorNumber, 2);
  if (!ifd0) return 0;
  const auto previewOrStrip = [&](const IfdEntry& e) {
    if (e.tag != kPreviewTag) return Step::Strip;
    reportPreviewStart(context_, sectorNumber, e.value);
    // The bound is on the offset inside the file, so that a file's preview
    // does not depend on where the file lies on the device.
    if (e.value <= kMaxPreviewOffset) {
      const uint64_t length = jpegSize(context_.u64RawJpgFileSectorNumber, context_.uExtraBytesOfJpgFileOffset);
      context_.u64RawJpgFileSize = length;
      context_.bRawJpgFileFound = length != 0;
    }
    return Step::Next;
  };
  StripEnd strips;
  if (!walkStrips(reader_, context_, ifd0->offset, ifd0->entries, kRawRule, strips, previewOrStrip)) return 0;
  const uint64_t end = strips.end <= ifd0->offset ? ifd0->end() + 6 : strips.end;
  return (end >= kMinSize && end <= kLimit200MiB) ? end + kSlack : 0;
}

}  // namespace salvonix
