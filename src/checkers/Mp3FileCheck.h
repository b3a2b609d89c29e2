#pragma once
// MPEG audio: recognised by an ID3v2 tag or by a frame header, and measured
// by stepping from frame header to frame header. Asks the engine to skip the
// file's sectors after a successful walk.

#include <array>

#include "checkers/FileCheck.h"
#include "scan/ReadDisk.h"

namespace salvonix {

class Mp3FileCheck final : public FileCheck {
 public:
  explicit Mp3FileCheck(ScanContext& context) : context_(context), readDiskFromMp3FileCheck_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x49; }
  std::string_view parentKey() override { return "mp3"; }
  // Tags start with "I"; bare frames with 0xFF.
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x49 || firstByte == 0xFF; }
  // Pictures and other objects in the ID3v2 tag are part of the file.
  uint64_t embeddedFilesEnd() const override { return tagBytes_; }

 private:
  // Makes the window hold file offset o (re-reading when o enters another
  // 64 KiB block) and returns its bytes there; null when a read fails.
  const uint8_t* at(uint64_t o);
  uint64_t untaggedWalk();
  uint64_t taggedWalk(SectorHeader header);
  uint64_t normalEnd(uint64_t o);
  uint64_t skipping(uint64_t size);

  ScanContext& context_;
  ReadDisk readDiskFromMp3FileCheck_;
  std::array<uint8_t, kReadWindowBufferSize> window_{};
  bool bId3File_ = false;
  uint64_t tagBytes_ = 0;  // the ID3v2 tag with its header
  uint64_t fileSector_ = 0;
  uint64_t windowOffset_ = 0;  // file offset of the window's first byte
  uint64_t windowKey_ = 0;     // 64 KiB block the window was read for
};

}  // namespace salvonix
