#pragma once
// A block device or a single raw image file.

#include "scan/Device.h"

namespace salvonix {

class RawDevice : public Device {
 public:
  static std::shared_ptr<RawDevice> open(const std::string& path, std::string* errorText);
  // Takes over an open descriptor (test devices build on a real file).
  RawDevice(int fd, std::string path);
  ~RawDevice() override;

  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override;

 private:
  int fd_;
};

// Positioned read that retries interrupted and partial reads. Returns the
// bytes read (short only at the end of the file) or the negated errno.
int64_t readFully(int fd, uint64_t offset, void* buffer, std::size_t length);

}  // namespace salvonix
