#include "drives/DriveWatcher.h"

namespace salvonix {

bool SteadyWatcherClock::waitFor(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, delay, [this] { return cancelled_; });
}

void SteadyWatcherClock::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  wake_.notify_all();
}

DriveWatcher::DriveWatcher(DriveEventSource& source, WatcherClock& clock, std::function<void()> refreshDriveList)
    : source_(source), clock_(clock), refreshDriveList_(std::move(refreshDriveList)) {}

DriveWatcher::~DriveWatcher() { stop(); }

void DriveWatcher::launchThread() {
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void DriveWatcher::stop() {
  source_.close();
  clock_.cancel();
  if (thread_.joinable()) thread_.join();
}

void DriveWatcher::run() {
  for (;;) {
    const DriveEvent event = source_.next();
    if (event == DriveEvent::Closed) return;
    if (event == DriveEvent::Ignored) continue;
    if (event == DriveEvent::Arrival && !clock_.waitFor(kArrivalDelay)) return;
    refreshDriveList_();
  }
}

}  // namespace salvonix
