#pragma once
// Part of scan-throughput: the scan of an image with 1,000 scattered
// unreadable sectors against the scan of the same image without them, both
// through a device that fails reads touching chosen sectors.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <vector>

#include "BenchTools.h"
#include "scan/RawDevice.h"

namespace salvonix::bench {

class FaultyDevice : public RawDevice {
 public:
  FaultyDevice(const std::string& path, std::vector<uint64_t> badSectors)
      : RawDevice(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path), bad_(std::move(badSectors)) {
    std::sort(bad_.begin(), bad_.end());
  }
  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    reads_.fetch_add(1, std::memory_order_relaxed);
    const auto next = std::lower_bound(bad_.begin(), bad_.end(), offset / 512);
    if (next != bad_.end() && *next * 512 < offset + length) return -EIO;
    return RawDevice::readAt(offset, buffer, length);
  }
  uint64_t reads() const { return reads_.load(); }

 private:
  std::vector<uint64_t> bad_;
  mutable std::atomic<uint64_t> reads_{0};
};

class QuietObserver : public ScanObserver {
 public:
  int showAlert(const Alert&) override { return 0; }
};

struct FaultyScan {
  double seconds = 0;
  uint64_t found = 0, reads = 0, unreadable = 0, ranges = 0;
};

inline FaultyScan scanThrough(const std::filesystem::path& image, uint64_t bytes, const std::vector<uint64_t>& bad) {
  auto device = std::make_shared<FaultyDevice>(image.string(), bad);
  ScanContext context;
  QuietObserver observer;
  context.deviceOpener = [device](const std::string&) { return device; };
  Scanning scanning(context, observer);
  const auto start = std::chrono::steady_clock::now();
  scanEveryType(scanning, context, image.string(), bytes);
  FaultyScan result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.found = scanning.dirRoot()->fileCount;
  result.reads = device->reads();
  result.unreadable = context.unreadableSectors.sectorCount();
  result.ranges = context.unreadableSectors.ranges().size();
  return result;
}

// Best of three alternating rounds of each; the page cache is warm already.
inline void compareScatteredBadSectors(const std::filesystem::path& image, uint64_t bytes) {
  std::mt19937_64 random(1000);
  std::vector<uint64_t> bad(1000);
  for (auto& sector : bad) sector = random() % (bytes / 512);
  FaultyScan clean, faulty;
  clean.seconds = faulty.seconds = 1e30;
  for (int round = 0; round < 3; ++round) {
    const FaultyScan c = scanThrough(image, bytes, {});
    const FaultyScan f = scanThrough(image, bytes, bad);
    if (c.seconds < clean.seconds) clean = c;
    if (f.seconds < faulty.seconds) faulty = f;
  }
  const auto mbps = [bytes](const FaultyScan& scan) { return static_cast<double>(bytes) / scan.seconds / 1e6; };
  std::printf("\n%-18s %10s %10s %8s %10s %12s\n", "bad sectors", "scan MB/s", "seconds", "found", "reads",
              "unreadable");
  for (const auto* scan : {&clean, &faulty})
    std::printf("%-18s %10.0f %10.2f %8llu %10llu %6llu in %llu\n", scan == &clean ? "none" : "1,000 scattered",
                mbps(*scan), scan->seconds, static_cast<unsigned long long>(scan->found),
                static_cast<unsigned long long>(scan->reads), static_cast<unsigned long long>(scan->unreadable),
                static_cast<unsigned long long>(scan->ranges));
  std::printf("  (scan with bad sectors at %.2f of the clean speed, %llu more reads)\n", mbps(faulty) / mbps(clean),
              static_cast<unsigned long long>(faulty.reads - clean.reads));
}

}  // namespace salvonix::bench
