#pragma once
// A source opened read-only: a block device or a disk image (raw, split raw
// or Expert Witness). Every reader of the source goes through this interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace salvonix {

enum class DeviceKind { BlockDevice, RawImage, SplitRawImage, E01Image, Ex01Image };

// "block device", "raw image", "split raw image", "E01 image", "Ex01 image".
const char* deviceKindName(DeviceKind kind);

// Sectors of the given size that cover a device of this many bytes: a last
// partial sector counts, so it is scanned too.
inline uint64_t sectorsCovering(uint64_t bytes, uint32_t bytesPerSector) {
  return bytes / bytesPerSector + (bytes % bytesPerSector ? 1 : 0);
}

class Device {
 public:
  // Opens the path read-only as the kind its content and name show. Returns
  // null and sets errorText on failure.
  static std::shared_ptr<Device> open(const std::string& path, std::string* errorText = nullptr);
  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Positioned read of up to length bytes. Returns the bytes read (fewer near
  // the end of the source, 0 beyond it) or, on a read error, the negated errno
  // (-EIO for a bad spot, -ENODEV or -ENXIO for a drive that has gone).
  virtual int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const = 0;

  uint64_t sizeInBytes() const { return size_; }
  // Sector size of the source: the block device's logical block size, the
  // one an E01 image records, 512 for raw images.
  uint32_t logicalBlockSize() const { return logicalBlockSize_; }
  DeviceKind kind() const { return kind_; }
  bool isBlockDevice() const { return kind_ == DeviceKind::BlockDevice; }
  // Files the image is made of (split parts, E01 segments); 1 otherwise.
  unsigned fileCount() const { return fileCount_; }
  const std::string& path() const { return path_; }

 protected:
  explicit Device(std::string path) : path_(std::move(path)) {}

  uint64_t size_ = 0;
  uint32_t logicalBlockSize_ = 512;
  DeviceKind kind_ = DeviceKind::RawImage;
  unsigned fileCount_ = 1;

 private:
  std::string path_;
};

}  // namespace salvonix
