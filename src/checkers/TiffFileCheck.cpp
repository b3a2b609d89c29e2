#include "checkers/TiffFileCheck.h"

#include "checkers/EmbeddedJpeg.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMinSizedEntries = 5;
constexpr uint32_t kCanonJpegOffsetTag = 0x0081;
constexpr uint32_t kUndefinedType = 7;
// A camera TIFF whose IFD0 lies beyond the first sector counts its directories' entries.
constexpr uint32_t kIfd0InFirstSector = 512;
}  // namespace

uint64_t TiffFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  const auto entries = reader_.boundedEntryCount(ifd0, kMinSizedEntries);
  if (!entries) return 0;
  return context_.tiff.bRawTiffFileFound ? cameraSize(header, sectorNumber, ifd0) : plainSize(ifd0);
}

bool TiffFileCheck::addByteCountArray(const IfdEntry& entry, uint32_t elementSize, uint64_t& dataTotal) {
  // An array that runs past the largest file this rule accepts cannot belong to one.
  if (entry.value > kLimit150MiB || entry.value + uint64_t{elementSize} * entry.count > kLimit200MiB) return false;
  return addArrayValues(reader_, context_, entry, elementSize, 0, kLimit200MiB, dataTotal);
}

uint64_t TiffFileCheck::plainSize(uint32_t ifd0) {
  uint64_t total = 8;
  IfdChain chain(ifd0);
  uint64_t offset = ifd0;
  for (uint32_t index = 0;; ++index) {
    if (index == kMaxChain || offset < 8 || offset > kLimit150MiB) return 0;
    const auto entries = reader_.boundedEntryCount(offset, 2);
    if (!entries) return 0;
    total += 2 + 12ull * *entries + 4;
    uint64_t dataTotal = 0;
    for (uint32_t k = 0; k < *entries; ++k) {
      if (cancelled(context_)) return total;
      const auto e = reader_.entry(offset, k);
      if (!e) return 0;
      if (isStripOrTileByteCounts(e->tag)) {
        const uint32_t size = static_cast<uint32_t>(scalarDataTypeValue(e->type));
        if (uint64_t{size} * e->count <= 4) {
          dataTotal = e->number();
        } else if (!addByteCountArray(*e, size, dataTotal)) {
          return 0;
        }
      }
      // Values that do not fit in the entry are stored after the directory.
      const uint64_t outOfLine = typeSizeClamped(e->type) * e->count;
      if (outOfLine > 4) total += outOfLine;
      if (total > kLimit150MiB) return 0;
    }
    total += dataTotal;
    const auto next = reader_.nextIfd(offset, *entries);
    if (!next) return 0;
    offset = chain.follow(*next);
    if (offset == 0) break;
  }
  return (total >= kMinSize && total <= kLimit200MiB) ? total + kSlack : 0;
}

uint64_t TiffFileCheck::cameraSize(SectorHeader header, uint64_t sectorNumber, uint32_t ifd0) {
  const bool littleEndian = reader_.littleEndian();
  const uint64_t jpeg = context_.tiff.bCanonRawTiff ? canonTiffJpgFileSize(header, sectorNumber) : 0;
  reader_.startFile(sectorNumber, littleEndian);
  uint64_t total = 8;
  IfdChain chain(ifd0);
  uint64_t offset = ifd0;
  for (uint32_t index = 0; !cancelled(context_); ++index) {
    if (index == kMaxChain) return 0;
    const auto entries = reader_.boundedEntryCount(offset, kMinSizedEntries);
    if (!entries) return 0;
    if (ifd0 > kIfd0InFirstSector) total += 12ull * *entries;
    const auto next = reader_.nextIfd(offset, *entries);
    if (!next) return 0;
    const uint64_t following = chain.follow(*next);
    const bool last = following == 0;
    uint64_t lastStrip = 0;
    for (uint32_t k = 0; k < *entries && !cancelled(context_); ++k) {
      const auto e = reader_.entry(offset, k);
      if (!e) return 0;
      if (last && (isStripOrTileOffsets(e->tag) || isStripOrTileByteCounts(e->tag))) {
        uint64_t value = e->number();
        if (e->count > 1) {
          // The array's element size is taken from the type code (SHORT: 2).
          const uint32_t stride = e->type == 3 ? 2 : e->type;
          if (uint64_t{stride} * e->count > 4) total += uint64_t{stride} * e->count;
          const auto element = reader_.element(*e, e->count - 1, stride);
          if (!element) return 0;
          value = *element;
        }
        if (isStripOrTileOffsets(e->tag)) {
          lastStrip = value;
        } else {
          total += value + lastStrip;
        }
      } else if (e->value > offset) {
        // Data stored after the directory.
        total += (last ? typeSizeClamped(e->type) : typeSizeUnclamped(e->type)) * e->count;
      }
    }
    if (total > kLimit200MiB) return 0;
    if (last) break;
    offset = following;
  }
  return total <= kLimit200MiB ? total + jpeg + kSlack : 0;
}

uint64_t TiffFileCheck::canonTiffJpgFileSize(SectorHeader header, uint64_t sectorNumber) {
  const bool littleEndian = isLittleEndianMark(header);
  reader_.startFile(sectorNumber, littleEndian);
  const uint32_t ifd0 = ifd0Offset(header, littleEndian);
  const auto entries = reader_.entryCount(ifd0);
  if (!entries) return 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return 0;
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagExifIfd) return canonTiffJpgFileSize(uint64_t{e->value}, sectorNumber);
  }
  return 0;
}

uint64_t TiffFileCheck::canonTiffJpgFileSize(uint64_t exifIfdOffset, uint64_t fileStartSector) {
  reader_.startFile(fileStartSector, true);
  const uint8_t* mark = reader_.bytes(0, 2);
  if (!mark) return 0;
  reader_.setLittleEndian(mark[0] == 'I' && mark[1] == 'I');
  const auto entries = reader_.boundedEntryCount(exifIfdOffset, 0);
  if (!entries) return 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return 0;
    const auto e = reader_.entry(exifIfdOffset, k);
    if (!e) return 0;
    if (e->tag != kTagMakerNote) continue;
    if (e->type != kUndefinedType) return 0;
    // Canon's maker note is an IFD in the file's byte order.
    const auto noteEntries = reader_.entryCount(e->value);
    if (!noteEntries) return 0;
    for (uint32_t j = 0; j < *noteEntries; ++j) {
      if (cancelled(context_)) return 0;
      const auto f = reader_.entry(e->value, j);
      if (!f) return 0;
      if (f->tag == kCanonJpegOffsetTag) return jpgFileSizeCalculation(reader_.deviceOffset(f->value));
    }
    return 0;
  }
  return 0;
}

uint64_t TiffFileCheck::jpgFileSizeCalculation(uint64_t deviceOffset) {
  return measureJpeg(reader_, context_, deviceOffset, kCameraTiffJpeg);
}

}  // namespace salvonix
