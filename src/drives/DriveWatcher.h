#pragma once
// Watches for media and USB or FireWire devices arriving or leaving and asks
// for one drive-list rebuild per event: 2 seconds after an arrival (the
// system mounts the new volumes meanwhile), at once after a removal.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace salvonix {

enum class DriveEvent { Arrival, Removal, Ignored, Closed };

class DriveEventSource {
 public:
  virtual ~DriveEventSource() = default;
  // Blocks until the next event; Closed once close() was called.
  virtual DriveEvent next() = 0;
  // May be called from any thread.
  virtual void close() = 0;
};

class WatcherClock {
 public:
  virtual ~WatcherClock() = default;
  // Waits for the delay; false when cancel() cut it short.
  virtual bool waitFor(std::chrono::milliseconds delay) = 0;
  virtual void cancel() = 0;
};

class SteadyWatcherClock : public WatcherClock {
 public:
  bool waitFor(std::chrono::milliseconds delay) override;
  void cancel() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool cancelled_ = false;
};

class DriveWatcher {
 public:
  static constexpr std::chrono::milliseconds kArrivalDelay{2000};

  // refreshDriveList is called on the watcher thread; a window hands it on to its main thread.
  DriveWatcher(DriveEventSource& source, WatcherClock& clock, std::function<void()> refreshDriveList);
  ~DriveWatcher();
  DriveWatcher(const DriveWatcher&) = delete;
  DriveWatcher& operator=(const DriveWatcher&) = delete;

  // Runs the watch on a thread of its own until stop().
  void launchThread();
  void stop();
  // The watch itself, on the calling thread, until the source closes.
  void run();

 private:
  DriveEventSource& source_;
  WatcherClock& clock_;
  std::function<void()> refreshDriveList_;
  std::thread thread_;
};

}  // namespace salvonix
