#pragma once
// Keeps the machine awake while a scan runs: holds a logind "sleep:idle"
// inhibitor lock, taken over the system D-Bus. Where there is no system bus or
// no logind it does nothing but say so once.

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

  // Takes the inhibitor lock; false when it could not (a warning is logged once).
  bool startPreventingSleep();
  // Releases the lock if held.
  void stopPreventingSleep();
  bool isPreventingSleep() const { return inhibitFd_ >= 0; }

 private:
  std::string busAddress_;
  int inhibitFd_ = -1;
  bool warned_ = false;
};

}  // namespace salvonix
