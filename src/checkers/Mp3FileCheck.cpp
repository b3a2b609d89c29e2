#include "checkers/Mp3FileCheck.h"

#include <algorithm>

#include "checkers/ByteOrder.h"
#include "checkers/MpegAudioFrame.h"

namespace salvonix {

namespace {
constexpr uint64_t kUntaggedLimit = 0x9fffff;    // the untagged walk goes on while o is at most this
constexpr uint64_t kTaggedLimit = 0x7ffffff7;    // the tagged walk goes on while o is at most this
constexpr uint64_t kTaggedOverrun = 2147483640;  // a tagged walk that stopped beyond this is no file
constexpr uint64_t kLargestTag = 0xa00000;
constexpr uint64_t kTagHeaderBytes = 10;
constexpr uint64_t kFirstFrameReach = 2047;      // the first frame must follow the tag this closely
constexpr uint64_t kSmallest = 10240;            // walks that end at most here record nothing
constexpr uint64_t kSmallestBadBitrate = 4096;
constexpr uint64_t kBadBitrateFar = 0xf00000;
constexpr uint64_t kFixedSize = 0x800000;
constexpr int kMostMisses = 5;
// This many bytes without a frame (free space, another file) end the tagged
// walk where the frames ended, so the files that follow are not skipped over.
constexpr uint64_t kLongestGap = 65536;
constexpr uint64_t kId3v1Size = 128;

// Second header bytes that follow 0xFF in a frame sync.
bool inFullSyncSet(uint8_t b) { return b == 0xFA || b == 0xFB || b == 0xFD || b == 0xE3 || b == 0xF3; }
bool inReducedSyncSet(uint8_t b) { return b == 0xFA || b == 0xFB || b == 0xE3 || b == 0xF3; }
}  // namespace

bool Mp3FileCheck::isFile(SectorHeader h, uint64_t) {
  bId3File_ = false;
  if (h[0] == 0xFF && inFullSyncSet(h[1])) return MpegAudioHeader(bytes::be32(h.data(), 0)).valid();
  if (h[0] == 'I' && h[1] == 'D' && h[2] == '3') {
    bId3File_ = true;
    return true;
  }
  return false;
}

uint64_t Mp3FileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  context_.bSkipFileSize = false;
  tagBytes_ = 0;
  window_.setFileStart(sectorNumber);
  if (!at(0)) return 0;
  return bId3File_ ? taggedWalk(header) : untaggedWalk();
}

uint64_t Mp3FileCheck::skipping(uint64_t size) {
  context_.bSkipFileSize = true;
  return size;
}

uint64_t Mp3FileCheck::untaggedWalk() {
  enum class End { InvalidHeader, Misses, Limit };
  uint64_t o = 0;
  int misses = 0;
  End end = End::Limit;
  while (o <= kUntaggedLimit && !cancelled(context_)) {
    const uint8_t* q = at(o);
    if (!q) return 0;
    if (q[0] == 0xFF && inFullSyncSet(q[1])) {
      const MpegAudioHeader frame(bytes::be32(q, 0));
      if (!frame.valid()) {
        end = End::InvalidHeader;
        break;
      }
      misses = 0;
      // Lands on the frame's last byte: the next header is reached through one miss.
      o += frame.frameLength() - 1;
    } else {
      if (misses > kMostMisses) {
        end = End::Misses;
        break;
      }
      ++misses;
      ++o;
    }
  }
  switch (end) {
    case End::InvalidHeader: return o <= kSmallest ? 0 : skipping(o);
    case End::Misses: return o <= kSmallest ? 0 : skipping(o + context_.u32BytesInSector);
    case End::Limit: break;
  }
  return o <= kSmallest ? 512 : skipping(o + 512);
}

uint64_t Mp3FileCheck::normalEnd(uint64_t o) { return o <= kSmallest ? 0 : skipping(o); }

uint64_t Mp3FileCheck::taggedWalk(SectorHeader h) {
  const uint64_t tagSize = (uint64_t{h[6] & 0x7Fu} << 21) | (uint64_t{h[7] & 0x7Fu} << 14) |
                           (uint64_t{h[8] & 0x7Fu} << 7) | (h[9] & 0x7Fu);
  if (tagSize > kLargestTag) return 0;
  tagBytes_ = tagSize + kTagHeaderBytes;

  // The first frame: right at the tag size, or found searching forward.
  uint64_t o = tagSize;
  const uint8_t* q = at(o);
  if (!q) return 0;
  if (!(q[0] == 0xFF && inReducedSyncSet(q[1]))) {
    uint64_t match = tagSize + 1;
    for (; match <= tagSize + kFirstFrameReach; ++match) {
      q = at(match);
      if (!q) return 0;
      if (q[0] == 0xFF && inFullSyncSet(q[1])) break;
    }
    if (match > tagSize + kFirstFrameReach) return 0;
    o = match;
  }
  const uint8_t firstSecondByte = q[1];

  // Bytes beyond the device's end read as zeros; the walk ends there.
  const uint64_t available = window_.bytesToDeviceEnd();
  uint64_t gapStart = o;  // where the bytes after the last frame begin

  while (o <= kTaggedLimit && !cancelled(context_)) {
    if (o >= available) return normalEnd(available);
    q = at(o);
    if (!q) return 0;
    if (q[0] == 0xFF && inReducedSyncSet(q[1])) {
      if (q[1] != firstSecondByte) return normalEnd(o);
      const MpegAudioHeader frame(bytes::be32(q, 0));
      if (!frame.versionAndLayerValid()) return normalEnd(o);
      if (!frame.bitrateValid()) {
        if (o > kBadBitrateFar) return skipping(kFixedSize);
        return o <= kSmallestBadBitrate ? 0 : skipping(o);
      }
      if (!frame.sampleRateValid()) return o > kFixedSize ? skipping(kFixedSize) : normalEnd(o);
      o += frame.frameLength();
      gapStart = o;
      continue;
    }
    // Not a frame header: pass over the bytes up to the next 0xFF in this
    // block, as far as the window holds them (three bytes are looked at). The
    // tag of a following file, or a long gap, ends the file.
    const uint64_t held = o + window_.bytesFrom(o, 4).size() - 2;
    const uint64_t blockEnd = std::min({(o / kWindowBytes + 1) * kWindowBytes, available, kTaggedLimit + 1, held});
    do {
      const uint8_t b = q[0];
      if (b == 'I' && q[1] == 'D' && q[2] == '3') return normalEnd(o);
      if (o + 1 - gapStart >= kLongestGap) {
        const uint8_t* last = at(gapStart);
        if (!last) return 0;
        const bool id3v1 = last[0] == 'T' && last[1] == 'A' && last[2] == 'G';
        return normalEnd(gapStart + (id3v1 ? kId3v1Size : 0));
      }
      ++o;
      ++q;
    } while (o < blockEnd && q[0] != 0xFF);
  }
  return o > kTaggedOverrun ? 0 : normalEnd(o);
}

}  // namespace salvonix
