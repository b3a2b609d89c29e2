#pragma once
// Reads the bytes of a found file from the device: its start sector, leading
// offset and size turned into device reads. Saving and preview both read
// through it, so they always agree on where a file lies.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "scan/HDIR.h"
#include "scan/UnreadableSectors.h"

namespace salvonix {

class Device;

// One reader per thread: it keeps its read buffer between calls.
class RecoveredFileReader {
 public:
  // A null device reads as a device that cannot be read.
  RecoveredFileReader(std::shared_ptr<Device> device, uint32_t bytesPerSector);

  // Up to length bytes of the file from its byte offset: fewer at the file's
  // end, 0 from there on. The device is never read past its end; the part of
  // the file beyond it reads as zeros, as it always has when saving, and so do
  // sectors that cannot be read. -1 when there is no device or it has gone,
  // or the file's leading offset lies outside its first sector.
  // The device is read in whole blocks of 8 sectors counted from the file's
  // start sector, so a piece costs the same reads whoever asks for it.
  int64_t read(const HDIR& file, uint64_t offset, uint8_t* buffer, std::size_t length);
  // Unreadable sectors that held bytes of the last piece read.
  uint64_t unreadableSectorsInLastRead() const { return unreadableInLastRead_; }

 private:
  std::shared_ptr<Device> device_;
  uint32_t bytesPerSector_;
  std::vector<uint8_t> blocks_;
  UnreadableSectors unreadable_;
  uint64_t unreadableInLastRead_ = 0;
};

}  // namespace salvonix
