// One drive-list rebuild per device event: 2 seconds after an arrival, at
// once after a removal.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <tuple>

#include "drives/DriveWatcher.h"
#include "drives/UdevEventSource.h"

namespace salvonix {
namespace {

using namespace std::chrono_literals;

// Events from a list, and a clock that only notes how long it was asked to wait.
struct Script : DriveEventSource, WatcherClock {
  DriveEvent next() override {
    std::lock_guard lock(mutex);
    if (events.empty()) return DriveEvent::Closed;
    const DriveEvent event = events.front();
    events.pop_front();
    return event;
  }
  void close() override {
    std::lock_guard lock(mutex);
    events.clear();
  }
  bool waitFor(std::chrono::milliseconds delay) override {
    log.push_back("wait " + std::to_string(delay.count()));
    return !cancelled;
  }
  void cancel() override { cancelled = true; }
  std::mutex mutex;
  std::deque<DriveEvent> events;
  bool cancelled = false;
  std::vector<std::string> log;
};

TEST(DriveWatcher, OneRebuildPerEventArrivalsAfterTwoSeconds) {
  using enum DriveEvent;
  for (const bool stopped : {false, true}) {  // stopping during the arrival delay rebuilds nothing
    Script script;
    script.events = stopped ? std::deque{Arrival, Removal} : std::deque{Arrival, Removal, Ignored, Removal, Arrival};
    script.cancelled = stopped;
    DriveWatcher(script, script, [&] { script.log.push_back("refresh"); }).run();
    const std::vector<std::string> expected{"wait 2000", "refresh", "refresh", "refresh", "wait 2000", "refresh"};
    EXPECT_EQ(script.log, stopped ? std::vector<std::string>{"wait 2000"} : expected);
  }
}

TEST(DriveWatcher, ThreadRebuildsOnItsOwnAndStopsDuringADelay) {
  Script source;
  source.events = {DriveEvent::Removal, DriveEvent::Arrival};
  SteadyWatcherClock clock;
  std::atomic<int> rebuilds{0};
  DriveWatcher watcher(source, clock, [&] { ++rebuilds; });
  const auto start = std::chrono::steady_clock::now();
  watcher.launchThread();
  for (int i = 0; i < 5000 && rebuilds == 0; ++i) std::this_thread::sleep_for(1ms);
  watcher.stop();  // cuts the 2-second wait short; joins the thread
  EXPECT_EQ(rebuilds.load(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);  // without the cut it waits 2 s at least
}

TEST(UdevEventSource, ActionsOfTheMonitor) {
  using enum DriveEvent;
  for (const auto& [action, subsystem, event] : {std::tuple{"add", "block", Arrival}, {"add", "usb", Arrival},
                                                 {"remove", "block", Removal}, {"remove", "usb", Removal},
                                                 {"change", "block", Arrival}, {"change", "usb", Ignored},
                                                 {"bind", "usb", Ignored}, {"", "", Ignored}})
    EXPECT_EQ(driveEventForAction(action, subsystem), event) << action << " " << subsystem;
}

TEST(UdevEventSource, CloseWakesAWaitingWatcher) {
  UdevEventSource source;
  if (!source.valid()) GTEST_SKIP() << "no udev monitor can be opened here";
  SteadyWatcherClock clock;
  DriveWatcher watcher(source, clock, [] {});
  watcher.launchThread();
  watcher.stop();  // must return although no device event comes
}

}  // namespace
}  // namespace salvonix
