#include "checkers/ArwFileCheck.h"

#include <algorithm>

#include "checkers/TiffStripWalk.h"

namespace salvonix {

using namespace tiff;

namespace {
constexpr uint32_t kMaxPreviewLength = 0x700000;
// The A100's private block holds the raw data's length this far in.
constexpr uint32_t kA100RawLengthAt = 148;
constexpr StripRule kA700SubIfdRule{.arrayOffsetLimit = kLimit100MiB, .fallback = Fallback::BeforeIfd0};
}  // namespace

std::string_view ArwFileCheck::parentKey() {
  context_.bSonyArwA100File = false;
  context_.bSonyArwA700File = false;
  return TiffFamilyCheck::parentKey();
}

uint64_t ArwFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return 0;
  const uint32_t ifd0 = ifd0Offset(header, reader_.littleEndian());
  if (context_.bSonyArwA700File) return a700Size(ifd0, sectorNumber);
  if (context_.bSonyArwA100File) return a100Size(ifd0, sectorNumber);
  return 0;
}

// Unlike the other raw formats, a cancelled ARW walk keeps the end found so far.
bool ArwFileCheck::walkedOrCancelled(bool walked) const { return walked || cancelled(context_); }

void ArwFileCheck::reportPreviewLength(uint32_t length) {
  context_.u64RawJpgFileSize = std::min(length, kMaxPreviewLength);
}

uint64_t ArwFileCheck::a700Size(uint32_t ifd0, uint64_t sectorNumber) {
  const auto entries = reader_.boundedEntryCount(ifd0, 0);
  if (!entries) return 0;
  StripEnd strips{.ifd0 = ifd0, .fallback = ifd0 + 12ull * *entries};
  // Counts that are neither one value nor an array name no strip.
  const auto countedStrips = [](const IfdEntry& e) { return e.count == 0 || e.count > 65534 ? Step::Next : Step::Strip; };
  const auto ifd0Entry = [&](const IfdEntry& e) {
    if (e.tag == kTagSubIfds) {
      return walkSubIfd(reader_, context_, e, kLimit100MiB, 0, kA700SubIfdRule, strips, countedStrips);
    }
    if (e.tag == kTagJpegOffset) {
      reportPreviewStart(context_, sectorNumber, e.value);
      context_.bRawJpgFileFound = true;
      // A preview said to lie beyond the raw data is not believed, nor anything after it.
      if (strips.end < e.value) {
        withdrawPreview(context_);
        return Step::Stop;
      }
    } else if (e.tag == kTagJpegLength) {
      reportPreviewLength(e.value);
    }
    return Step::Next;
  };
  if (!walkedOrCancelled(forEachEntry(reader_, context_, ifd0, *entries, ifd0Entry))) return 0;
  return strips.end <= kLimit200MiB ? strips.end : 0;
}

uint64_t ArwFileCheck::a100Size(uint32_t ifd0, uint64_t sectorNumber) {
  const auto entries = reader_.boundedEntryCount(ifd0, 2);
  if (!entries) return 0;
  uint64_t end = 0;
  uint32_t jpegOffset = 0;
  uint32_t subIfds = 0;
  const auto ifd0Entry = [&](const IfdEntry& e) {
    if (e.tag == kTagSubIfds) {
      if (e.value > kLimit150MiB) return Step::Fail;
      subIfds = e.value;
    } else if (e.tag == kTagDngPrivateData) {
      if (e.value > kLimit150MiB) return Step::Fail;
      const auto rawLength = reader_.u32(uint64_t{e.value} + kA100RawLengthAt);
      if (!rawLength) return Step::Fail;
      end = uint64_t{*rawLength} + subIfds;
      if (end < ifd0) end = ifd0 + 12ull * *entries;
    } else if (e.tag == kTagJpegOffset) {
      jpegOffset = e.value;
      reportPreviewStart(context_, sectorNumber, jpegOffset);
      context_.bRawJpgFileFound = true;
    } else if (e.tag == kTagJpegLength) {
      reportPreviewLength(e.value);
    }
    return Step::Next;
  };
  if (!walkedOrCancelled(forEachEntry(reader_, context_, ifd0, *entries, ifd0Entry))) return 0;
  if (end < jpegOffset) withdrawPreview(context_);
  return (end >= kMinSize && end <= kLimit200MiB) ? end : 0;
}

}  // namespace salvonix
