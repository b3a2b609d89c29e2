#pragma once
// A raw image cut into parts (card.001, card.002, ...), as dd, split, FTK
// and ewfacquire make them, opened by its first part. Every part but the
// last has the size of the first; the last may be shorter (a truncated last
// part just ends the image). A missing part, or a part before the last of
// another size, refuses the open: reading on would shift every byte after it.

#include <vector>

#include "scan/Device.h"

namespace salvonix {

class SplitRawDevice : public Device {
 public:
  // True for a name ending in digits ".001" with further parts (".002", ...) beside it.
  static bool looksSplit(const std::string& firstPart);
  static std::shared_ptr<SplitRawDevice> open(const std::string& firstPart, std::string* errorText);
  ~SplitRawDevice() override;

  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override;

 private:
  SplitRawDevice(const std::string& firstPart, std::vector<int> parts, uint64_t partBytes, uint64_t totalBytes);

  std::vector<int> parts_;  // descriptors, in order
  uint64_t partBytes_;
};

}  // namespace salvonix
