#include "checkers/ArwFileCheck.h"

#include <algorithm>

#include "checkers/TiffVariants.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMaxPreviewLength = 0x700000;
// The A100's private block holds the raw data's length this far in.
constexpr uint32_t kA100RawLengthAt = 148;
}  // namespace

ArwFileCheck::ArwFileCheck(ScanContext& context)
    : TiffFamilyCheck(context, kArwVariant) {}

std::string_view ArwFileCheck::parentKey() {
  context_.bSonyArwA100File = false;
  context_.bSonyArwA700File = false;
  return "arw";
}

uint64_t ArwFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (context_.bSonyArwA700File) return a700Size(ifd0, sectorNumber);
  if (context_.bSonyArwA100File) return a100Size(ifd0, sectorNumber);
  return 0;
}

void ArwFileCheck::reportPreviewLength(uint32_t length) {
  context_.u64RawJpgFileSize = std::min(length, kMaxPreviewLength);
}

bool ArwFileCheck::subIfdStripEnd(uint32_t offset, uint32_t ifd0, uint64_t ifd0End, uint64_t& end) {
  const auto entries = reader_.entryCount(offset);
  if (!entries || *entries > kMaxEntries) return false;
  uint64_t strip = 0;
  for (uint32_t k = 0; k < *entries && !cancelled(context_); ++k) {
    const auto e = reader_.entry(offset, k);
    if (!e) return false;
    if (e->tag != kTagStripOffsets && e->tag != kTagStripByteCounts) continue;
    std::optional<uint32_t> value;
    if (e->count == 1) {
      value = e->number();
    } else if (e->count >= 2 && e->count <= 65534) {
      value = reader_.lastElement(*e, kLimit100MiB);
      if (!value) return false;
    } else {
      continue;
    }
    if (e->tag == kTagStripOffsets) {
      strip = *value;
    } else {
      end = strip + *value;
      if (end < ifd0) end = ifd0End;
    }
  }
  return true;
}

uint64_t ArwFileCheck::a700Size(uint32_t ifd0, uint64_t sectorNumber) {
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries > kMaxEntries) return 0;
  const uint64_t ifd0End = ifd0 + 12ull * *entries;
  uint64_t end = 0;
  for (uint32_t k = 0; k < *entries && !cancelled(context_); ++k) {
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagSubIfds) {
      if (e->value > kLimit100MiB || !subIfdStripEnd(e->value, ifd0, ifd0End, end)) return 0;
    } else if (e->tag == kTagJpegOffset) {
      reportPreviewStart(context_, sectorNumber, e->value);
      context_.bRawJpgFileFound = true;
      // A preview said to lie beyond the raw data is not believed, nor anything after it.
      if (end < e->value) {
        withdrawPreview(context_);
        break;
      }
    } else if (e->tag == kTagJpegLength) {
      reportPreviewLength(e->value);
    }
  }
  return end <= kLimit200MiB ? end : 0;
}

uint64_t ArwFileCheck::a100Size(uint32_t ifd0, uint64_t sectorNumber) {
  const auto entries = reader_.entryCount(ifd0);
  if (!entries || *entries < 2 || *entries > kMaxEntries) return 0;
  uint64_t end = 0;
  uint32_t jpegOffset = 0;
  uint32_t subIfds = 0;
  for (uint32_t k = 0; k < *entries && !cancelled(context_); ++k) {
    const auto e = reader_.entry(ifd0, k);
    if (!e) return 0;
    if (e->tag == kTagSubIfds) {
      if (e->value > kLimit150MiB) return 0;
      subIfds = e->value;
    } else if (e->tag == kTagDngPrivateData) {
      if (e->value > kLimit150MiB) return 0;
      const auto rawLength = reader_.u32(uint64_t{e->value} + kA100RawLengthAt);
      if (!rawLength) return 0;
      end = uint64_t{*rawLength} + subIfds;
      if (end < ifd0) end = ifd0 + 12ull * *entries;
    } else if (e->tag == kTagJpegOffset) {
      jpegOffset = e->value;
      reportPreviewStart(context_, sectorNumber, jpegOffset);
      context_.bRawJpgFileFound = true;
    } else if (e->tag == kTagJpegLength) {
      reportPreviewLength(e->value);
    }
  }
  if (end < jpegOffset) withdrawPreview(context_);
  return (end >= kMinSize && end <= kLimit200MiB) ? end : 0;
}

}  // namespace salvonix
