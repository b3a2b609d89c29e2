#pragma once
// A source device opened read-only: a block device or a disk image file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace salvonix {

// Sectors of the given size that cover a device of this many bytes: a last
// partial sector counts, so it is scanned too.
inline uint64_t sectorsCovering(uint64_t bytes, uint32_t bytesPerSector) {
  return bytes / bytesPerSector + (bytes % bytesPerSector ? 1 : 0);
}

class Device {
 public:
  // Opens the path read-only. Returns null and sets errorText on failure.
  static std::shared_ptr<Device> open(const std::string& path, std::string* errorText = nullptr);
  virtual ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Positioned read of up to length bytes. Returns the bytes read (fewer near
  // the end of the device, 0 beyond it) or, on a read error, the negated errno
  // (-EIO for a bad spot, -ENODEV or -ENXIO for a drive that has gone).
  virtual int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const;

  uint64_t sizeInBytes() const { return size_; }
  // Logical block size of a block device; 512 for an image file.
  uint32_t logicalBlockSize() const { return logicalBlockSize_; }
  bool isBlockDevice() const { return blockDevice_; }
  const std::string& path() const { return path_; }

 protected:
  // Takes over an open descriptor (test devices build on a real file).
  Device(int fd, std::string path);

 private:
  int fd_;
  std::string path_;
  uint64_t size_ = 0;
  uint32_t logicalBlockSize_ = 512;
  bool blockDevice_ = false;
};

}  // namespace salvonix
