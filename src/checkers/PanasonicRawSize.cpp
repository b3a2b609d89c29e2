#include "checkers/PanasonicRawSize.h"

#include "checkers/EmbeddedJpeg.h"

namespace salvonix::tiff {

namespace {
constexpr uint32_t kPreviewTag = 0x002E;
}  // namespace

std::optional<uint32_t> rawStripValue(TiffReader& reader, const IfdEntry& entry) {
  if (entry.count >= 2 && entry.count <= 65535) return reader.lastElement(entry, kLimit150MiB);
  return entry.number();
}

uint64_t jpegSize(TiffReader& reader, const ScanContext& context, uint64_t sectorNumber, uint32_t position) {
  return measureJpeg(reader, context, sectorNumber * context.u32BytesInSector + position, kRawPreviewJpeg);
}

uint64_t panasonicRawSize(TiffReader& reader, ScanContext& context, uint32_t ifd0, uint64_t sectorNumber) {
  if (ifd0 < 8 || ifd0 > kLimit200MiB) return 0;
  const auto entries = reader.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  uint64_t strip = 0;
  uint64_t end = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    const auto e = reader.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagStripOffsets || e->tag == kTagStripByteCounts) {
      const auto value = rawStripValue(reader, *e);
      if (!value) return 0;
      if (e->tag == kTagStripOffsets) {
        strip = *value;
      } else {
        end = strip + *value;
      }
    } else if (e->tag == kPreviewTag) {
      reportPreviewStart(context, sectorNumber, e->value);
      // The bound is on the offset inside the file, so that a file's preview
      // does not depend on where the file lies on the device.
      if (e->value <= kMaxPreviewOffset) {
        const uint64_t length =
            jpegSize(reader, context, context.u64RawJpgFileSectorNumber, context.uExtraBytesOfJpgFileOffset);
        context.u64RawJpgFileSize = length;
        context.bRawJpgFileFound = length != 0;
      }
    }
  }
  if (end <= ifd0) end = ifd0 + 12ull * *entries + 6;
  return (end >= kMinSize && end <= kLimit200MiB) ? end + kSlack : 0;
}

}  // namespace salvonix::tiff
