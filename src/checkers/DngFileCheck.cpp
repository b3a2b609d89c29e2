#include "checkers/DngFileCheck.h"

#include <algorithm>
#include <cstring>

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMaxSubIfds = 10;
constexpr std::string_view kPentaxIstD = "PENTAX *ist D";
}  // namespace

uint64_t DngFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  const auto first = startIfd0WithEntries(header, sectorNumber, 2);
  if (!first) return 0;
  const FirstIfd& ifd0 = *first;
  uint64_t end = 0;
  bool pentaxIstD = false;
  for (uint32_t k = 0; k < ifd0.entries; ++k) {
    if (cancelled(context_)) return 0;
    const auto e = reader_.entry(ifd0.offset, k);
    if (!e) return 0;
    if (e->tag == kTagModel) {
      if (e->value > kLimit150MiB) return 0;
      const uint8_t* model = reader_.bytes(e->value, static_cast<uint32_t>(kPentaxIstD.size()));
      if (!model) return 0;
      pentaxIstD = std::memcmp(model, kPentaxIstD.data(), kPentaxIstD.size()) == 0;
    } else if (e->tag == kTagXmp) {
      end += 4ull * e->count;
    } else if (e->tag == kTagSubIfds) {
      if (e->count < 1 || e->count > kMaxSubIfds || e->value > kLimit200MiB) return 0;
      const bool walked = e->count == 1 ? walkOnlySubIfd(ifd0, e->value, end)
                                        : walkRawAndPreview(ifd0, e->value, sectorNumber, end);
      if (!walked) return 0;
      break;
    }
  }
  // The preview is added unless, in a Pentax *ist D file, it lies inside the raw data.
  const bool reported = context_.u64RawJpgFileSize != 0 && context_.u64RawJpgFileSectorNumber >= sectorNumber;
  const uint64_t previewOffset =
      reported ? (context_.u64RawJpgFileSectorNumber - sectorNumber) * context_.u32BytesInSector +
                     context_.uExtraBytesOfJpgFileOffset
               : 0;
  if (!(pentaxIstD && reported && previewOffset < end)) end += context_.u64RawJpgFileSize;
  if (end < ifd0.offset + ifd0.size()) {
    const auto withData = ifd0WithData(ifd0);
    if (!withData) return 0;
    end = *withData;
  }
  return (end >= kMinSize && end <= kLimit200MiB) ? end + kSlack : 0;
}

bool DngFileCheck::walkOnlySubIfd(const FirstIfd& ifd0, uint32_t offset, uint64_t& end) {
  const auto entries = reader_.boundedEntryCount(offset, 2);
  if (!entries) return false;
  const uint64_t subSize = 12ull * *entries + 6;
  uint64_t lastStrip = 0;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return false;
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    if (!isStripOrTileOffsets(e->tag) && !isStripOrTileByteCounts(e->tag)) continue;
    if (e->count >= 2 && e->count <= 65534) {
      const auto last = reader_.lastElement(*e, kLimit150MiB);
      if (!last) return false;
      if (isStripOrTileOffsets(e->tag)) {
        lastStrip = *last;
        continue;
      }
      end = lastStrip + *last;
      if (end <= ifd0.offset) end += ifd0.size();
      if (end < offset) {
        end += subSize;
        if (end <= ifd0.offset) end = ifd0.end() + 6;
      }
    } else if (isStripOrTileOffsets(e->tag)) {
      lastStrip = e->number();
    } else {
      end = lastStrip + e->number();
      if (end <= ifd0.offset) end = ifd0.end() + 6;
    }
  }
  return true;
}

bool DngFileCheck::walkRawAndPreview(const FirstIfd& ifd0, uint32_t listOffset, uint64_t sectorNumber, uint64_t& end) {
  const auto raw = reader_.u32(listOffset);
  const auto preview = reader_.u32(uint64_t{listOffset} + 4);
  if (!raw || !preview || *raw > kLimit150MiB || *preview > kLimit150MiB) return false;
  uint64_t lastStrip = 0;
  for (int pass = 1; pass <= 2; ++pass) {
    const uint32_t offset = pass == 1 ? *raw : *preview;
    const auto entries = reader_.boundedEntryCount(offset, 2);
    if (!entries) return false;
    const uint64_t subSize = 12ull * *entries + 6;
    for (uint32_t k = 0; k < *entries; ++k) {
      if (cancelled(context_)) return false;
      const auto e = reader_.entry(offset, k);
      if (!e) return false;
      if (isStripOrTileOffsets(e->tag)) {
        const auto value = e->count <= 1 ? std::optional<uint32_t>(e->number()) : reader_.lastElement(*e, kLimit150MiB);
        if (!value) return false;
        if (pass == 1) {
          lastStrip = *value;
        } else {
          reportPreviewStart(context_, sectorNumber, *value);
        }
      } else if (isStripOrTileByteCounts(e->tag)) {
        const bool array = e->count >= 2;
        const auto value = array ? reader_.lastElement(*e, kLimit150MiB) : std::optional<uint32_t>(e->number());
        if (!value) return false;
        if (pass == 1) {
          end = lastStrip + *value;
        } else {
          context_.u64RawJpgFileSize = *value;
          // Only a preview named by an array must be a real JPEG's size.
          context_.bRawJpgFileFound = !array || *value > 1024;
        }
        if (array) {
          if (end < ifd0.offset) end += ifd0.size();
          if (end < offset) end += subSize;
        } else if (pass == 1 && end < ifd0.offset) {
          end += ifd0.size();
        }
        if (array || pass == 1) end = std::max(end, ifd0.end() + 8);
      }
    }
  }
  return true;
}

std::optional<uint64_t> DngFileCheck::ifd0WithData(const FirstIfd& ifd0) {
  uint64_t data = 0;
  for (uint32_t k = 0; k < ifd0.entries; ++k) {
    if (cancelled(context_)) return std::nullopt;
    const auto e = reader_.entry(ifd0.offset, k);
    if (!e) return std::nullopt;
    if (e->value > ifd0.offset) data += typeSizeClamped(e->type) * e->count;
  }
  return data + ifd0.offset + ifd0.size();
}

}  // namespace salvonix
