#include "scan/UnreadableSectors.h"

#include <algorithm>

#include <fmt/format.h>

#include "scan/CountText.h"
#include "scan/ScanObserver.h"

namespace salvonix {

void UnreadableSectors::add(uint64_t sector, uint64_t count) {
  if (count == 0) return;
  std::lock_guard lock(mutex_);
  uint64_t begin = sector;
  uint64_t end = sector + count;
  // Swallow every range that touches [begin, end).
  auto it = ends_.upper_bound(begin);
  if (it != ends_.begin() && std::prev(it)->second >= begin) --it;
  while (it != ends_.end() && it->first <= end) {
    begin = std::min(begin, it->first);
    end = std::max(end, it->second);
    it = ends_.erase(it);
  }
  ends_.emplace(begin, end);
}

void UnreadableSectors::noteUnreadable(uint64_t sector, uint64_t bytes) {
  add(sector);
  if (failingRun_.fetch_add(bytes, std::memory_order_relaxed) + bytes >= kGoneAfterBytes) markDriveGone();
}

bool UnreadableSectors::contains(uint64_t sector) const { return countIn(sector, 1) == 1; }

uint64_t UnreadableSectors::countIn(uint64_t sector, uint64_t count) const {
  std::lock_guard lock(mutex_);
  const uint64_t end = sector + count;
  uint64_t total = 0;
  auto it = ends_.upper_bound(sector);
  if (it != ends_.begin()) --it;
  for (; it != ends_.end() && it->first < end; ++it)
    if (it->second > sector) total += std::min(end, it->second) - std::max(sector, it->first);
  return total;
}

std::vector<SectorRange> UnreadableSectors::ranges() const {
  std::lock_guard lock(mutex_);
  std::vector<SectorRange> out;
  out.reserve(ends_.size());
  for (const auto& [begin, end] : ends_) out.push_back({begin, end - begin});
  return out;
}

uint64_t UnreadableSectors::sectorCount() const {
  std::lock_guard lock(mutex_);
  uint64_t total = 0;
  for (const auto& [begin, end] : ends_) total += end - begin;
  return total;
}

bool UnreadableSectors::empty() const {
  std::lock_guard lock(mutex_);
  return ends_.empty();
}

void UnreadableSectors::clear() {
  std::lock_guard lock(mutex_);
  ends_.clear();
  failingRun_.store(0, std::memory_order_relaxed);
  driveGone_.store(false, std::memory_order_relaxed);
}

Alert unreadableSectorsAlert(const UnreadableSectors& unreadable) {
  const auto ranges = unreadable.ranges();
  uint64_t sectors = 0;
  for (const auto& range : ranges) sectors += range.count;
  return {kSomeSectorsUnreadable,
          fmt::format("{} could not be read, in {}. They were read as zeros: files that cover them are incomplete.",
                      counted(sectors, "sector"), counted(ranges.size(), "range")),
          {"OK"}};
}

}  // namespace salvonix
