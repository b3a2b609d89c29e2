#include "checkers/EmbeddedJpeg.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix::tiff {

MarkerSearch findEndOfImage(TiffReader& reader, const ScanContext& context, uint64_t from, uint64_t to) {
  uint64_t position = from;
  while (position < to) {
    if (cancelled(context)) return {MarkerSearch::Cancelled, position};
    uint64_t held = 0;
    const uint8_t* w = reader.heldFrom(position, held);
    if (!w) return {MarkerSearch::ReadFailed, position};
    // The byte after each candidate must be held too.
    const uint64_t span = std::min(held - 1, to - position);
    for (uint64_t i = 0; i < span;) {
      const void* hit = std::memchr(w + i, 0xFF, span - i);
      if (!hit) break;
      i = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - w);
      if (w[i + 1] == 0xD9) return {MarkerSearch::Found, position + i};
      ++i;
    }
    position += span;
  }
  return {MarkerSearch::Absent, to};
}

uint64_t measureJpeg(TiffReader& reader, const ScanContext& context, uint64_t deviceOffset, const JpegWalk& walk) {
  const uint8_t* start = reader.deviceBytes(deviceOffset, 2);
  if (!start || start[0] != 0xFF || start[1] != 0xD8) return 0;
  uint64_t length = 4;
  uint64_t position = deviceOffset + 4;
  auto pastLimit = [&] { return walk.lengthPastLimit ? walk.lengthPastLimit : length; };

  for (;;) {
    if (cancelled(context)) return length;
    const uint8_t* field = reader.deviceBytes(position, 2);
    if (!field) return 0;
    uint64_t segment = bytes::be16(field, 0);
    if (segment == 0 && walk.zeroLengthAsTwo) segment = 2;
    const uint64_t marker = position + segment;
    length += segment + 2;
    const uint8_t* m = reader.deviceBytes(marker, 2);
    if (!m) return 0;
    position = marker + 2;
    if (walk.endsAtNonMarker && m[0] != 0xFF) return length > walk.limit ? pastLimit() : length;
    const bool scanData = m[0] == 0xFF && m[1] == 0xDA;
    if (length > walk.limit) return pastLimit();
    if (scanData) break;
  }

  // Each byte of scan data counts; an end marker is looked for while the length is within the limit.
  const uint64_t positions = walk.limit - length + 1;
  const MarkerSearch end = findEndOfImage(reader, context, position, position + positions);
  switch (end.outcome) {
    case MarkerSearch::Found: return length + (end.offset - position) + walk.endAddition;
    case MarkerSearch::Cancelled: return length + (end.offset - position);
    case MarkerSearch::ReadFailed: return 0;
    case MarkerSearch::Absent: break;
  }
  length += positions;
  return pastLimit();
}

}  // namespace salvonix::tiff
