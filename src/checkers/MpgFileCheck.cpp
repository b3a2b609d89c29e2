#include "checkers/MpgFileCheck.h"

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint32_t kPackStart = 0x1BA;
constexpr uint32_t kProgramEnd = 0x1B9;
constexpr uint32_t kFirstLengthPacket = 0x1BB;
constexpr uint32_t kLastLengthPacket = 0x1EF;
constexpr uint32_t kSequenceHeader = 0x1B3;
constexpr uint32_t kSequenceEnd = 0x1B7;
constexpr uint32_t kPictureStart = 0x100;
constexpr uint32_t kGroupOfPictures = 0x1B8;

constexpr uint64_t kFirstValidationPosition = 4;
constexpr uint64_t kLastValidationPosition = 49;
constexpr uint64_t kLookAhead = 11620;
constexpr uint32_t kLongestZeroResync = 100;
constexpr uint32_t kLongestResync = 50;
constexpr uint64_t kSkipAbove = 10240;

bool confirmsFirstStartCode(uint32_t code) {
  switch (code) {
    case 0x1B8: case 0x1BB: case 0x1BD: case 0x1BE: case 0x1BF: case 0x1C0: case 0x1E0: return true;
    default: return false;
  }
}

// Start codes with which a stream goes on after an end code or a gap.
bool continuesProgramStream(uint32_t code) {
  return (code >= kPackStart && code <= 0x1C0) || code == 0x1DF || code == 0x1E0 || code == 0x1EF;
}

bool isVideoStartCode(uint32_t code) {
  return code == kPictureStart || (code >= 0x1B0 && code <= 0x1B6) || code == kGroupOfPictures;
}

bool continuesAfterSequenceEnd(uint32_t code) {
  return code == kGroupOfPictures || (code >= kPackStart && code <= 0x1C0) || code == 0x1DF || code == 0x1E0 ||
         code == 0x1EF || code == kPictureStart;
}
}  // namespace

bool MpgFileCheck::isFile(SectorHeader h, uint64_t sectorNumber) {
  bHeader0x1B3_ = false;
  const uint32_t code = bytes::be32(h.data(), 0);
  if (code == kPackStart) return isFileValidated(sectorNumber);
  if (code == kSequenceHeader && isFileValidated(sectorNumber)) {
    bHeader0x1B3_ = true;
    return true;
  }
  return false;
}

bool MpgFileCheck::isFileValidated(uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  for (uint64_t p = kFirstValidationPosition; p <= kLastValidationPosition; ++p) {
    const auto code = window_.u32(p, ByteOrder::Big);
    if (!code) return false;
    if (confirmsFirstStartCode(*code)) {
      uBAFrameValue_ = static_cast<uint32_t>(p);
      return true;
    }
  }
  return false;
}

uint64_t MpgFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  context_.bSkipFileSize = false;
  window_.setFileStart(sectorNumber);
  if (!window_.bytesAt(0, 4)) return 0;
  const uint64_t size = bHeader0x1B3_ ? elementaryStreamWalk(header) : programStreamWalk();
  if (size > kSkipAbove) context_.bSkipFileSize = true;
  return size;
}

uint64_t MpgFileCheck::programStreamWalk() {
  uint64_t total = 0;  // the file offset of the next start code
  bool lookedAhead = false;
  bool resyncAllowed = true;
  uint32_t resyncCount = 0;
  const auto startCodeFound = [&] {
    lookedAhead = false;
    resyncAllowed = true;
    resyncCount = 0;
  };

  for (bool goOn = true; goOn && !cancelled(context_);) {
    const auto code = window_.u32(total, ByteOrder::Big);
    if (!code) return 0;
    if (*code == kPackStart) {
      total += uBAFrameValue_;
      startCodeFound();
    } else if (*code >= kFirstLengthPacket && *code <= kLastLengthPacket) {
      const auto length = window_.u16(total + 4, ByteOrder::Big);
      if (!length) return 0;
      total += *length + 6;
      startCodeFound();
    } else if (*code == kProgramEnd) {
      total += 4;
      const auto next = window_.u32(total, ByteOrder::Big);
      if (!next) return 0;
      goOn = continuesProgramStream(*next);
    } else if (!lookedAhead) {
      // Damage: see whether the stream goes on a fixed distance further.
      const uint64_t ahead = total + kLookAhead;
      const auto aheadCode = window_.u32(ahead, ByteOrder::Big);
      if (!aheadCode) return 0;
      if (continuesProgramStream(*aheadCode)) total = ahead;
      else lookedAhead = true;
    } else {
      // Resync byte by byte, a little way only.
      if (!resyncAllowed) break;
      ++resyncCount;
      ++total;
      if ((*code == 0 && resyncCount > kLongestZeroResync) || (*code != 0 && resyncCount > kLongestResync))
        resyncAllowed = false;
    }
  }
  return total;
}

uint64_t MpgFileCheck::elementaryStreamWalk(SectorHeader h) {
  const uint64_t width = bytes::be16(h.data(), 4) >> 4;
  const uint64_t height = bytes::be16(h.data(), 5) & 0xFFF;
  // The most bytes tolerated between two start codes.
  const uint64_t allowance = 3 * width * height + 2 * context_.u32BytesInSector;
  uint64_t total = 4;
  uint64_t run = 0;  // bytes since the last start code
  // A code that starts past the device's end reads as zeros: no start code.
  const uint64_t available = window_.bytesToDeviceEnd();
  while (run < allowance && total + run < available) {
    // Start codes can go on to the device's end; a cancelled scan does not wait for it.
    if (cancelled(context_)) return 0;
    const auto code = window_.u32(total + run, ByteOrder::Big);
    if (!code) return 0;
    if (isVideoStartCode(*code)) {
      total += run + 4;
      run = 0;
    } else if (*code == kSequenceEnd) {
      total += run + 4;
      const auto next = window_.u32(total, ByteOrder::Big);
      if (!next) return 0;
      if (!continuesAfterSequenceEnd(*next)) break;
      run = 0;
    } else {
      ++run;
    }
  }
  return total;
}

}  // namespace salvonix
