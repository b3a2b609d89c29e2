#pragma once
// An Expert Witness image (E01, Ex01) read through libewf, opened by its
// first segment; libewf finds the other segments beside it. Chunks libewf
// cannot read back intact (a damaged or truncated segment, a missing one)
// fail every read that touches them, while the chunks around them read.

#include <mutex>

#include "scan/Device.h"

namespace salvonix {

class EwfDevice : public Device {
 public:
  static bool hasSignature(const unsigned char* firstBytes, std::size_t count, DeviceKind* kind);
  static std::shared_ptr<EwfDevice> open(const std::string& firstSegment, DeviceKind kind, std::string* errorText);
  ~EwfDevice() override;

  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override;

 private:
  struct Handle;
  EwfDevice(const std::string& firstSegment, DeviceKind kind, std::unique_ptr<Handle> handle);
  bool touchesBadChunk(uint64_t offset, uint64_t length) const;

  // libewf handles are not thread-safe: the engine's read-ahead thread, the
  // checkers and saving share one.
  mutable std::mutex mutex_;
  std::unique_ptr<Handle> handle_;
};

}  // namespace salvonix
