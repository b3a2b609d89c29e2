// One drive-list rebuild per device event: 2 seconds after an arrival, at
// once after a removal.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <future>

#include "drives/DriveWatcher.h"
#include "drives/UdevEventSource.h"

namespace salvonix {
namespace {

using namespace std::chrono_literals;

struct ScriptedSource : DriveEventSource {
  explicit ScriptedSource(std::deque<DriveEvent> script) : events(std::move(script)) {}
  DriveEvent next() override {
    if (events.empty()) return DriveEvent::Closed;
    const DriveEvent event = events.front();
    events.pop_front();
    return event;
  }
  void close() override { events.clear(); }
  std::deque<DriveEvent> events;
};

struct RecordingClock : WatcherClock {
  explicit RecordingClock(std::vector<std::string>& log) : log(log) {}
  bool waitFor(std::chrono::milliseconds delay) override {
    log.push_back("wait " + std::to_string(delay.count()));
    return !cancelled;
  }
  void cancel() override { cancelled = true; }
  std::vector<std::string>& log;
  bool cancelled = false;
};

TEST(DriveWatcher, OneRebuildPerEventArrivalsAfterTwoSeconds) {
  std::vector<std::string> log;
  ScriptedSource source({DriveEvent::Arrival, DriveEvent::Removal, DriveEvent::Ignored, DriveEvent::Removal,
                         DriveEvent::Arrival});
  RecordingClock clock(log);
  DriveWatcher watcher(source, clock, [&] { log.push_back("refresh"); });
  watcher.run();
  EXPECT_EQ(log, (std::vector<std::string>{"wait 2000", "refresh", "refresh", "refresh", "wait 2000", "refresh"}));
}

TEST(DriveWatcher, StoppingDuringTheArrivalDelayRebuildsNothing) {
  std::vector<std::string> log;
  ScriptedSource source({DriveEvent::Arrival, DriveEvent::Removal});
  RecordingClock clock(log);
  clock.cancelled = true;
  DriveWatcher watcher(source, clock, [&] { log.push_back("refresh"); });
  watcher.run();
  EXPECT_EQ(log, (std::vector<std::string>{"wait 2000"}));
}

// Events handed over from the test thread, as a monitor delivers them.
struct QueueSource : DriveEventSource {
  DriveEvent next() override {
    std::unique_lock lock(mutex);
    ready.wait(lock, [this] { return closed || !events.empty(); });
    if (closed) return DriveEvent::Closed;
    const DriveEvent event = events.front();
    events.pop_front();
    return event;
  }
  void push(DriveEvent event) {
    std::lock_guard lock(mutex);
    events.push_back(event);
    ready.notify_all();
  }
  void close() override {
    std::lock_guard lock(mutex);
    closed = true;
    ready.notify_all();
  }
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<DriveEvent> events;
  bool closed = false;
};

TEST(DriveWatcher, ThreadRebuildsOnItsOwnAndStopsDuringADelay) {
  QueueSource source;
  SteadyWatcherClock clock;
  std::promise<void> rebuilt;
  std::atomic<int> rebuilds{0};
  DriveWatcher watcher(source, clock, [&] {
    if (rebuilds++ == 0) rebuilt.set_value();
  });
  watcher.launchThread();
  source.push(DriveEvent::Removal);
  ASSERT_EQ(rebuilt.get_future().wait_for(10s), std::future_status::ready);
  source.push(DriveEvent::Arrival);
  watcher.stop();  // cuts the 2-second wait short; joins the thread
  EXPECT_EQ(rebuilds.load(), 1);
}

TEST(UdevEventSource, ActionsOfTheMonitor) {
  EXPECT_EQ(driveEventForAction("add", "block"), DriveEvent::Arrival);
  EXPECT_EQ(driveEventForAction("add", "usb"), DriveEvent::Arrival);
  EXPECT_EQ(driveEventForAction("remove", "block"), DriveEvent::Removal);
  EXPECT_EQ(driveEventForAction("remove", "usb"), DriveEvent::Removal);
  EXPECT_EQ(driveEventForAction("change", "block"), DriveEvent::Arrival);
  EXPECT_EQ(driveEventForAction("change", "usb"), DriveEvent::Ignored);
  EXPECT_EQ(driveEventForAction("bind", "usb"), DriveEvent::Ignored);
  EXPECT_EQ(driveEventForAction("", ""), DriveEvent::Ignored);
}

TEST(UdevEventSource, CloseWakesAWaitingWatcher) {
  UdevEventSource source;
  if (!source.valid()) GTEST_SKIP() << "no udev monitor can be opened here";
  SteadyWatcherClock clock;
  DriveWatcher watcher(source, clock, [] {});
  watcher.launchThread();
  watcher.stop();  // must return although no device event comes
  SUCCEED();
}

}  // namespace
}  // namespace salvonix
