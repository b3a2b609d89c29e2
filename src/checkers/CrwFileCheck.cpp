#include "checkers/CrwFileCheck.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"
#include "checkers/TiffToolkit.h"

namespace salvonix {

namespace {
constexpr uint64_t kLittleEndianSearchStart = 1048576;
constexpr uint64_t kBigEndianSearchStart = 2097152;
constexpr uint64_t kSearchEnd = 20971520;
// Recorded for a CRW whose trailer is not found within the search.
constexpr uint64_t kTrailerNotFoundSize = 15728640;
// Root tables of 3, 4 and 2 entries, tried in this order.
constexpr uint64_t kTableLengths[] = {32, 42, 22};
constexpr uint32_t kPreviewTag = 0x2007;
constexpr uint64_t kPreviewMinSize = 100;
constexpr uint64_t kPreviewMaxSize = 4194304;
}  // namespace

bool CrwFileCheck::isFile(SectorHeader h, uint64_t) {
  // The TIFF classifier, when one ran on this sector, has recognised the
  // signature already and set the byte order.
  if (context_.tiff.bCanonCrwFileFound) return true;
  if (h[0] != h[1] || (h[0] != 'I' && h[0] != 'M')) return false;
  if (std::memcmp(h.data() + 6, "HEAPCCDR", 8) != 0) return false;
  context_.tiff.bLittleEndianFile = h[0] == 'I';
  context_.tiff.bBigEndianFile = h[0] == 'M';
  return true;
}

uint64_t CrwFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  if (!context_.tiff.bLittleEndianFile && !context_.tiff.bBigEndianFile) return 0;
  order_ = context_.tiff.bLittleEndianFile ? ByteOrder::Little : ByteOrder::Big;
  window_.setFileStart(sectorNumber);
  const auto headerLength = window_.u32(2, order_);
  if (!headerLength) return 0;

  uint64_t trailer = 0;
  uint64_t tableLength = 0;
  if (!findTrailer(*headerLength, trailer, tableLength)) return 0;
  if (trailer == 0) return kTrailerNotFoundSize;
  if (!reportPreview(sectorNumber, *headerLength, trailer - tableLength)) return 0;
  // The trailer is the file's last field.
  return trailer + 4;
}

bool CrwFileCheck::findTrailer(uint64_t headerLength, uint64_t& trailer, uint64_t& tableLength) {
  trailer = 0;
  // The most significant byte of a table offset is 0 or 1 (tables lie within 32 MiB).
  const bool littleEndian = order_ == ByteOrder::Little;
  const uint64_t topByte = littleEndian ? 3 : 0;
  // The trailer lies on the device: the search ends where the device does.
  const uint64_t searchEnd = std::min(kSearchEnd, window_.bytesToDeviceEnd());
  for (uint64_t windowStart = littleEndian ? kLittleEndianSearchStart : kBigEndianSearchStart;
       windowStart < searchEnd; windowStart += kWindowBytes) {
    if (cancelled(context_)) return false;
    // The window holds one sector beyond 64 KiB, so a value straddling its end is read whole.
    const std::span<const uint8_t> held = window_.bytesFrom(windowStart, kWindowBytes + 3);
    if (held.empty()) return false;
    const uint8_t* w = held.data();
    const uint64_t end = std::min<uint64_t>(kWindowBytes, searchEnd - windowStart);
    for (uint64_t p = 0; p < end; ++p) {
      if (w[p + topByte] > 1) continue;
      const uint64_t c = windowStart + p;
      const uint64_t end = headerLength + (littleEndian ? bytes::le32(w, p) : bytes::be32(w, p));
      for (uint64_t length : kTableLengths) {
        if (end + length == c) {
          trailer = c;
          tableLength = length;
          return true;
        }
      }
    }
  }
  return true;
}

bool CrwFileCheck::reportPreview(uint64_t sectorNumber, uint64_t headerLength, uint64_t tableStart) {
  // Entry 1 of the table: tag, size, offset from the header's end.
  const auto tag = window_.u16(tableStart + 12, order_);
  const auto size = window_.u32(tableStart + 14, order_);
  const auto offset = window_.u32(tableStart + 18, order_);
  if (!tag || !size || !offset) return false;
  if (*tag != kPreviewTag) return true;
  const uint64_t previewSize = *size;
  const uint64_t previewStart = headerLength + *offset;
  context_.u64RawJpgFileSize = previewSize;
  tiff::reportPreviewStart(context_, sectorNumber, previewStart);
  // The preview must lie within the span the trailer search covers, measured
  // inside the file so that the answer does not depend on where the file lies.
  if (previewStart >= kSearchEnd) {
    context_.bRawJpgFileFound = false;
    return true;
  }
  const uint8_t* jpeg = window_.bytesAt(previewStart, 2);
  if (!jpeg) return false;
  context_.bRawJpgFileFound = jpeg[0] == 0xFF && jpeg[1] == 0xD8 && previewSize >= kPreviewMinSize &&
                              previewSize <= kPreviewMaxSize;
  return true;
}

}  // namespace salvonix
