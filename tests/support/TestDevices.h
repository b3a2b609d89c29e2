#pragma once
// Devices over a real image file with injected behaviour: reads that fail in a
// byte range, and a log of every read.

#include <fcntl.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "scan/RawDevice.h"
#include "scan/ScanContext.h"

namespace salvonix::test {

class TestDevice : public RawDevice {
 public:
  explicit TestDevice(const std::string& path) : RawDevice(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path) {}

  // Reads that touch [begin, end) fail.
  void failBetween(uint64_t begin, uint64_t end) {
    failBegin_ = begin;
    failEnd_ = end;
  }
  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    {
      std::lock_guard lock(mutex_);
      reads_.emplace_back(offset, length);
    }
    if (offset < failEnd_ && offset + length > failBegin_) return -1;
    return RawDevice::readAt(offset, buffer, length);
  }
  std::vector<std::pair<uint64_t, uint64_t>> reads() const {
    std::lock_guard lock(mutex_);
    return reads_;
  }

 private:
  uint64_t failBegin_ = 0;
  uint64_t failEnd_ = 0;
  mutable std::mutex mutex_;
  mutable std::vector<std::pair<uint64_t, uint64_t>> reads_;
};

// Makes every open of the context's device return this one.
inline std::shared_ptr<TestDevice> useTestDevice(ScanContext& context, const std::string& path) {
  auto device = std::make_shared<TestDevice>(path);
  context.deviceOpener = [device](const std::string&) { return device; };
  return device;
}

}  // namespace salvonix::test
