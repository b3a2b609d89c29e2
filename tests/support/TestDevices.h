#pragma once
// Devices over a real image file with injected behaviour: reads that fail in a
// byte range, and a log of every read.

#include <fcntl.h>

#include <cerrno>
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

  // Reads that touch [begin, end) fail with this error: EIO for a bad spot,
  // ENODEV for a drive that has gone. Later faults add to earlier ones.
  void failBetween(uint64_t begin, uint64_t end, int error = EIO) {
    std::lock_guard lock(mutex_);
    faults_.push_back({begin, end, error});
  }
  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    {
      std::lock_guard lock(mutex_);
      reads_.emplace_back(offset, length);
      for (const Fault& fault : faults_)
        if (offset < fault.end && offset + length > fault.begin) return -fault.error;
    }
    return RawDevice::readAt(offset, buffer, length);
  }
  std::vector<std::pair<uint64_t, uint64_t>> reads() const {
    std::lock_guard lock(mutex_);
    return reads_;
  }

 private:
  struct Fault {
    uint64_t begin, end;
    int error;
  };
  std::vector<Fault> faults_;
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
