#pragma once
// One file on the device as a checker sees it through its ReadDisk: bytes are
// addressed by their offset from the file's first byte and served from the one
// read window (64 KiB plus one sector) the checker holds. Crafted bytes can
// send a search back and forth without useful end, so each file gets at most
// kMaxReads window reads (64 MiB, three times the longest search); further
// reads fail and the walk ends as on a read error.

#include <array>
#include <cstdint>

#include "scan/ReadDisk.h"
#include "scan/ScanContext.h"

namespace salvonix {

class FileWindow {
 public:
  static constexpr uint32_t kMaxReads = 1024;

  FileWindow(ScanContext& context, ReadDisk& reader) : context_(context), reader_(reader) {}

  // A new file starts at this sector; nothing is held yet.
  void setFileStart(uint64_t sector) {
    fileStart_ = sector;
    held_ = false;
    reads_ = 0;
  }
  uint64_t fileStart() const { return fileStart_; }
  // Bytes from the file's start to the device's end: no part of the file lies beyond.
  uint64_t bytesToDeviceEnd() const;

  // Reads the window that begins at the sector holding offset and returns the
  // byte at offset; at least 65,536 bytes from there on are valid. Null when
  // the read fails or the file's reads are spent.
  const uint8_t* read(uint64_t offset);

  // The length bytes (at most 65,536) at offset: from the window held when it
  // holds them all, otherwise from a new read. Null when the read fails.
  const uint8_t* bytesAt(uint64_t offset, uint32_t length);

 private:
  ScanContext& context_;
  ReadDisk& reader_;
  std::array<uint8_t, kReadWindowBufferSize> buffer_{};
  uint64_t fileStart_ = 0;
  uint64_t windowOffset_ = 0;  // file offset of buffer_[0]
  bool held_ = false;
  uint32_t reads_ = 0;
};

}  // namespace salvonix
