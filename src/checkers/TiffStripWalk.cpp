#include "checkers/TiffStripWalk.h"

#include <algorithm>

namespace salvonix::tiff {

namespace {

bool isStripOffsets(const StripRule& rule, uint32_t tag) {
  return tag == kTagStripOffsets || (rule.tilesAndJpeg && (tag == kTagTileOffsets || tag == kTagJpegOffset));
}

bool isStripByteCounts(const StripRule& rule, uint32_t tag) {
  return tag == kTagStripByteCounts || (rule.tilesAndJpeg && (tag == kTagTileByteCounts || tag == kTagJpegLength));
}

bool isArray(uint32_t count, uint32_t arrayTo) { return count >= 2 && count <= arrayTo; }

}  // namespace

std::optional<uint32_t> stripValue(TiffReader& reader, const StripRule& rule, const IfdEntry& entry, bool offsets) {
  if (isArray(entry.count, offsets ? rule.offsetsArrayTo : rule.countsArrayTo)) {
    return reader.lastElement(entry, rule.arrayOffsetLimit);
  }
  return entry.number();
}

Step takeStrip(TiffReader& reader, const StripRule& rule, const IfdEntry& entry, StripEnd& state) {
  const bool offsets = isStripOffsets(rule, entry.tag);
  if (!offsets && !isStripByteCounts(rule, entry.tag)) return Step::Next;
  const auto value = stripValue(reader, rule, entry, offsets);
  if (!value) return Step::Fail;
  if (offsets) {
    state.strip = *value;
    return Step::Next;
  }
  const uint64_t end = state.strip + *value;
  switch (rule.combine) {
    case Combine::Replace: state.end = end; break;
    case Combine::Add: state.end += end; break;
    case Combine::Max: state.end = std::max(state.end, end); break;
  }
  if ((rule.fallback == Fallback::BeforeIfd0 && state.end < state.ifd0) ||
      (rule.fallback == Fallback::AtOrBeforeIfd0 && state.end <= state.ifd0)) {
    state.end = state.fallback;
  }
  const bool stop = rule.stop == StopAt::FirstEnd ||
                    (rule.stop == StopAt::ArrayEnd && isArray(entry.count, rule.countsArrayTo));
  return stop ? Step::Stop : Step::Next;
}

Step takeLongerPreview(ScanContext& context, uint64_t startSector, const IfdEntry& entry, uint32_t& jpegOffset,
                       uint64_t believedUpTo) {
  if (entry.tag == kTagJpegOffset) {
    jpegOffset = entry.value;
  } else if (entry.tag == kTagJpegLength) {
    if (entry.value > context.u64RawJpgFileSize) {
      reportPreviewStart(context, startSector, jpegOffset);
      context.u64RawJpgFileSize = entry.value;
      context.bRawJpgFileFound = jpegOffset <= believedUpTo;
    }
  } else {
    return Step::Strip;
  }
  return Step::Next;
}

}  // namespace salvonix::tiff
