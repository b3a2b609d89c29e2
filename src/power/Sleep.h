#pragma once
// Keeps the machine awake while a scan runs: holds a logind "sleep:idle"
// inhibitor lock, taken over the system D-Bus. Where there is no system bus or
// no logind it does nothing, and says why to whoever asks.

#include <memory>
#include <string>

namespace salvonix {

class Sleep {
 public:
  // busAddress: a D-Bus address to use instead of the system bus (tests).
  explicit Sleep(std::string busAddress = {});
  ~Sleep();
  Sleep(const Sleep&) = delete;
  Sleep& operator=(const Sleep&) = delete;

  // The reason given by failure() when there is no bus or no logind on it.
  static constexpr const char* kNoLogind = "no logind on the system bus";

  // Takes the inhibitor lock; false when it could not.
  bool startPreventingSleep();
  // Why the last attempt could not take the lock; empty after a success.
  const std::string& failure() const { return failure_; }
  // Releases the lock if held.
  void stopPreventingSleep();
  bool isPreventingSleep() const { return inhibitFd_ >= 0; }

 private:
  std::string busAddress_;
  int inhibitFd_ = -1;
  std::string failure_;
};

}  // namespace salvonix
