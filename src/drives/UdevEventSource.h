#pragma once
// Device events from a udev monitor on the block and usb subsystems: from
// the udev daemon when it runs, else straight from the kernel.

#include <string_view>

#include "drives/DriveWatcher.h"

struct udev;
struct udev_monitor;

namespace salvonix {

// How a device action counts for the drive list. A block "change" is a card
// inserted into or taken out of a reader; it is treated as an arrival.
DriveEvent driveEventForAction(std::string_view action, std::string_view subsystem);

class UdevEventSource : public DriveEventSource {
 public:
  UdevEventSource();
  ~UdevEventSource() override;
  UdevEventSource(const UdevEventSource&) = delete;
  UdevEventSource& operator=(const UdevEventSource&) = delete;

  // False when no monitor could be set up; next() then reports Closed.
  bool valid() const { return monitor_ != nullptr; }
  DriveEvent next() override;
  void close() override;

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int closeFd_ = -1;  // an eventfd that wakes next() for close()
};

}  // namespace salvonix
