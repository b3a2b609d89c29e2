#pragma once
// A device over a real image file with injected behaviour: reads that fail in a
// byte range, reads held at a known place until the test lets them through, and
// a log of every read.

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
  // Reads reaching past `offset` wait until release(); held() says that one has waited.
  void holdFrom(uint64_t offset) { gate_ = offset; }
  void release() { gate_ = UINT64_MAX; }
  bool held() const { return held_; }

  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    for (; offset + length > gate_; std::this_thread::sleep_for(std::chrono::milliseconds(2))) held_ = true;
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
  std::atomic<uint64_t> gate_{UINT64_MAX};
  mutable std::atomic<bool> held_{false};
  mutable std::mutex mutex_;
  mutable std::vector<std::pair<uint64_t, uint64_t>> reads_;
};

// Makes every open of the context's device return this one, its reads held from `holdFrom` on.
inline std::shared_ptr<TestDevice> useTestDevice(ScanContext& context, const std::string& path,
                                                 uint64_t holdFrom = UINT64_MAX) {
  auto device = std::make_shared<TestDevice>(path);
  device->holdFrom(holdFrom);
  context.deviceOpener = [device](const std::string&) { return device; };
  return device;
}

}  // namespace salvonix::test
