#pragma once
// MPEG audio: recognised by an ID3v2 tag or by a frame header, and measured
// by stepping from frame header to frame header. Asks the engine to skip the
// file's sectors after a successful walk.

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class Mp3FileCheck final : public FileCheck {
 public:
  explicit Mp3FileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x49; }
  std::string_view parentKey() override { return "mp3"; }
  // Tags start with "I"; bare frames with 0xFF.
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x49 || firstByte == 0xFF; }
  // Pictures and other objects in the ID3v2 tag are part of the file.
  uint64_t embeddedFilesEnd() const override { return tagBytes_; }

 private:
  // The four bytes at file offset o, enough for a frame header; null when a read fails.
  const uint8_t* at(uint64_t o) { return window_.bytesAt(o, 4); }
  uint64_t untaggedWalk();
  uint64_t taggedWalk(SectorHeader header);
  uint64_t normalEnd(uint64_t o);
  uint64_t skipping(uint64_t size);

  ScanContext& context_;
  FileWindow window_;
  bool bId3File_ = false;
  uint64_t tagBytes_ = 0;  // the ID3v2 tag with its header
};

}  // namespace salvonix
