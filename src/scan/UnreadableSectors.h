#pragma once
// The sectors of a device that could not be read, as sorted, merged ranges,
// and whether the drive itself has gone. Written by the thread that reads and
// safe to read from any other.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace salvonix {

struct SectorRange {
  uint64_t sector = 0;
  uint64_t count = 0;
  bool operator==(const SectorRange&) const = default;
};

class UnreadableSectors {
 public:
  void add(uint64_t sector, uint64_t count = 1);
  bool contains(uint64_t sector) const;
  // How many of the count sectors from sector on are unreadable.
  uint64_t countIn(uint64_t sector, uint64_t count) const;
  std::vector<SectorRange> ranges() const;
  uint64_t sectorCount() const;
  bool empty() const;
  void clear();

  // Every read failing for this long in a row means the drive has gone, not a bad spot.
  static constexpr uint64_t kGoneAfterBytes = uint64_t{64} << 20;
  // A read succeeded: the run of failures is broken.
  void noteReadable() {
    if (failingRun_.load(std::memory_order_relaxed) != 0) failingRun_.store(0, std::memory_order_relaxed);
  }
  // Records an unreadable sector that holds bytes of the device; a long enough run marks the drive gone.
  void noteUnreadable(uint64_t sector, uint64_t bytes);
  // A read said the device is no longer there (or the failures ran too long).
  void markDriveGone() { driveGone_.store(true, std::memory_order_relaxed); }
  bool driveGone() const { return driveGone_.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex mutex_;
  std::map<uint64_t, uint64_t> ends_;  // first sector of a range -> one past its last
  std::atomic<uint64_t> failingRun_{0};
  std::atomic<bool> driveGone_{false};
};

// The one alert at the end of a scan that met unreadable sectors.
struct Alert;
Alert unreadableSectorsAlert(const UnreadableSectors& unreadable);

}  // namespace salvonix
