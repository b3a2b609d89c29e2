#include "checkers/EmbeddedJpeg.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix::tiff {

namespace {

// The bytes a walk reads: through a TIFF reader at device offsets, charged to
// its budget, or through a file window at file offsets.
struct ReaderBytes {
  TiffReader& reader;
  const uint8_t* at(uint64_t offset, uint32_t length) { return reader.deviceBytes(offset, length); }
  std::span<const uint8_t> from(uint64_t offset) { return reader.heldFrom(offset); }
};
struct WindowBytes {
  FileWindow& window;
  const uint8_t* at(uint64_t offset, uint32_t length) { return window.bytesAt(offset, length); }
  std::span<const uint8_t> from(uint64_t offset) { return window.bytesFrom(offset, 2); }
};

// Where the first end-of-image marker (FF D9) starts among count bytes (the
// byte after them must be readable too); count when there is none.
uint64_t endOfImageIn(const uint8_t* bytes, uint64_t count) {
  for (uint64_t i = 0; i < count;) {
    const void* hit = std::memchr(bytes + i, 0xFF, count - i);
    if (!hit) break;
    i = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - bytes);
    if (bytes[i + 1] == 0xD9) return i;
    ++i;
  }
  return count;
}

template <typename Bytes>
MarkerSearch searchEndOfImage(Bytes source, const ScanContext& context, uint64_t from, uint64_t to) {
  uint64_t position = from;
  while (position < to) {
    if (cancelled(context)) return {MarkerSearch::Cancelled, position};
    const std::span<const uint8_t> held = source.from(position);
    if (held.empty()) return {MarkerSearch::ReadFailed, position};
    // The byte after each candidate must be held too.
    const uint64_t span = std::min<uint64_t>(held.size() - 1, to - position);
    const uint64_t end = endOfImageIn(held.data(), span);
    if (end < span) return {MarkerSearch::Found, position + end};
    position += span;
  }
  return {MarkerSearch::Absent, to};
}

template <typename Bytes>
JpegLength measure(Bytes source, const ScanContext& context, uint64_t offset, const JpegWalk& walk) {
  const uint8_t* start = source.at(offset, 2);
  if (!start || start[0] != 0xFF || start[1] != 0xD8) return {};
  uint64_t length = 4;
  uint64_t position = offset + 4;
  auto pastLimit = [&] { return JpegLength{walk.lengthPastLimit ? walk.lengthPastLimit : length, false}; };

  for (;;) {
    if (cancelled(context)) return {length, false};
    const uint8_t* field = source.at(position, 2);
    if (!field) return {};
    uint64_t segment = bytes::be16(field, 0);
    if (segment == 0 && walk.zeroLengthAsTwo) segment = 2;
    const uint64_t marker = position + segment;
    length += segment + 2;
    const uint8_t* m = source.at(marker, 2);
    if (!m) return {};
    position = marker + 2;
    if (walk.endsAtNonMarker && m[0] != 0xFF) return length > walk.limit ? pastLimit() : JpegLength{length, false};
    const bool scanData = m[0] == 0xFF && m[1] == 0xDA;
    if (length > walk.limit) return pastLimit();
    if (scanData) break;
  }

  // Each byte of scan data counts; an end marker is looked for while the length is within the limit.
  const uint64_t positions = walk.limit - length + 1;
  const MarkerSearch end = searchEndOfImage(source, context, position, position + positions);
  switch (end.outcome) {
    case MarkerSearch::Found: return {length + (end.offset - position) + walk.endAddition, true};
    case MarkerSearch::Cancelled: return {length + (end.offset - position), false};
    case MarkerSearch::ReadFailed: return {};
    case MarkerSearch::Absent: break;
  }
  length += positions;
  return pastLimit();
}

}  // namespace

MarkerSearch findEndOfImage(TiffReader& reader, const ScanContext& context, uint64_t from, uint64_t to) {
  return searchEndOfImage(ReaderBytes{reader}, context, from, to);
}

uint64_t measureJpeg(TiffReader& reader, const ScanContext& context, uint64_t deviceOffset, const JpegWalk& walk) {
  return measure(ReaderBytes{reader}, context, deviceOffset, walk).length;
}

JpegLength measureJpeg(FileWindow& window, const ScanContext& context, uint64_t fileOffset, const JpegWalk& walk) {
  return measure(WindowBytes{window}, context, fileOffset, walk);
}

}  // namespace salvonix::tiff
