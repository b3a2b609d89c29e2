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

bool MpgFileCheck::readWindow(std::array<uint8_t, kReadWindowBufferSize>& window, uint64_t sector) {
  window.fill(0);
  return readDiskFromMpgFileCheck_.readSector(sector, kWindowBytes / context_.u32BytesInSector, window.data());
}

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
  if (!readWindow(window_, sectorNumber)) return false;
  for (uint64_t p = kFirstValidationPosition; p <= kLastValidationPosition; ++p) {
    if (confirmsFirstStartCode(bytes::be32(window_.data(), p))) {
      uBAFrameValue_ = static_cast<uint32_t>(p);
      return true;
    }
  }
  return false;
}

uint64_t MpgFileCheck::fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) {
  context_.bSkipFileSize = false;
  if (!readWindow(window_, sectorNumber)) return 0;
  const uint64_t size = bHeader0x1B3_ ? elementaryStreamWalk(header, sectorNumber) : programStreamWalk(sectorNumber);
  if (size > kSkipAbove) context_.bSkipFileSize = true;
  return size;
}

uint64_t MpgFileCheck::programStreamWalk(uint64_t sectorNumber) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint8_t* w = window_.data();
  uint64_t total = 0;
  uint64_t position = 0;
  bool lookedAhead = false;
  bool resyncAllowed = true;
  uint32_t resyncCount = 0;
  const auto startCodeFound = [&] {
    lookedAhead = false;
    resyncAllowed = true;
    resyncCount = 0;
  };

  for (bool goOn = true; goOn && !context_.bCancelScanning.load(std::memory_order_relaxed);) {
    const uint32_t code = bytes::be32(w, position);
    if (code == kPackStart) {
      position += uBAFrameValue_;
      total += uBAFrameValue_;
      startCodeFound();
    } else if (code >= kFirstLengthPacket && code <= kLastLengthPacket) {
      const uint64_t step = bytes::be16(w, position + 4) + 6;
      position += step;
      total += step;
      startCodeFound();
    } else if (code == kProgramEnd) {
      position += 4;
      total += 4;
      goOn = continuesProgramStream(bytes::be32(w, position));
    } else if (!lookedAhead) {
      // Damage: see whether the stream goes on a fixed distance further.
      const uint64_t ahead = total + kLookAhead;
      const uint64_t aheadSector = sectorNumber + ahead / bytesPerSector;
      if (!readWindow(lookAheadWindow_, aheadSector)) return 0;
      if (continuesProgramStream(bytes::be32(lookAheadWindow_.data(), ahead % bytesPerSector))) {
        if (!readWindow(window_, aheadSector)) return 0;
        total = ahead;
        position = ahead % bytesPerSector;
      } else {
        lookedAhead = true;
      }
    } else {
      // Resync byte by byte, a little way only.
      if (!resyncAllowed) break;
      ++resyncCount;
      ++position;
      ++total;
      if ((code == 0 && resyncCount > kLongestZeroResync) || (code != 0 && resyncCount > kLongestResync))
        resyncAllowed = false;
    }
    if (position >= kWindowBytes) {
      if (!readWindow(window_, sectorNumber + total / bytesPerSector)) return 0;
      position = total % bytesPerSector;
    }
  }
  return total;
}

uint64_t MpgFileCheck::elementaryStreamWalk(SectorHeader h, uint64_t sectorNumber) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint8_t* w = window_.data();
  const uint64_t width = bytes::be16(h.data(), 4) >> 4;
  const uint64_t height = bytes::be16(h.data(), 5) & 0xFFF;
  // The most bytes tolerated between two start codes.
  const uint64_t allowance = 3 * width * height + 2 * bytesPerSector;
  uint64_t total = 4;
  uint64_t position = 4;
  uint64_t run = 0;  // bytes since the last start code
  // A code that starts past the device's end reads as zeros: no start code.
  const uint64_t deviceBytes = context_.u64DriveSectorNumber * bytesPerSector;
  const uint64_t fileStart = sectorNumber * bytesPerSector;
  const uint64_t available = deviceBytes > fileStart ? deviceBytes - fileStart : 0;
  while (run < allowance && total + run < available) {
    // Start codes can go on to the device's end; a cancelled scan does not wait for it.
    if (context_.bCancelScanning.load(std::memory_order_relaxed)) return 0;
    if (position >= kWindowBytes) {
      if (!readWindow(window_, sectorNumber + (total + run) / bytesPerSector)) return 0;
      position = (total + run) % bytesPerSector;
    }
    const uint32_t code = bytes::be32(w, position);
    if (isVideoStartCode(code)) {
      total += run + 4;
      position += 4;
      run = 0;
    } else if (code == kSequenceEnd) {
      total += run + 4;
      position += 4;
      if (!continuesAfterSequenceEnd(bytes::be32(w, position))) break;
      run = 0;
    } else {
      ++position;
      ++run;
    }
  }
  return total;
}

}  // namespace salvonix
