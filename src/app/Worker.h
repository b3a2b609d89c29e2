#pragma once
// One worker thread of the application: started for a piece of long work,
// joined on the main thread once it has said it is done. What the work
// leaves in its controller's members is read only after the join, which
// orders it for the main thread (and for ThreadSanitizer).

#include <atomic>
#include <functional>
#include <thread>

namespace salvonix::gui {

class Worker {
 public:
  ~Worker() { join(); }
  void start(std::function<void()> work) {
    join();
    done_ = false;
    thread_ = std::thread([this, work = std::move(work)] {
      work();
      done_ = true;
    });
  }
  // Started and not yet joined.
  bool running() const { return thread_.joinable(); }
  bool done() const { return done_; }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> done_{true};
};

}  // namespace salvonix::gui
