#include "drives/UdevEventSource.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "drives/UdevBlockDeviceTree.h"

namespace salvonix {

DriveEvent driveEventForAction(std::string_view action, std::string_view subsystem) {
  if (action == "add") return DriveEvent::Arrival;
  if (action == "remove") return DriveEvent::Removal;
  if (action == "change" && subsystem == "block") return DriveEvent::Arrival;
  return DriveEvent::Ignored;
}

UdevEventSource::UdevEventSource() {
  closeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  udev_ = udev_new();
  if (!udev_ || closeFd_ < 0) return;
  monitor_ = udev_monitor_new_from_netlink(udev_, udevIsRunning() ? "udev" : "kernel");
  if (!monitor_) return;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", nullptr) < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    udev_monitor_unref(monitor_);
    monitor_ = nullptr;
  }
}

UdevEventSource::~UdevEventSource() {
  if (monitor_) udev_monitor_unref(monitor_);
  if (udev_) udev_unref(udev_);
  if (closeFd_ >= 0) ::close(closeFd_);
}

DriveEvent UdevEventSource::next() {
  if (!monitor_) return DriveEvent::Closed;
  pollfd fds[2] = {{closeFd_, POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return DriveEvent::Closed;
    }
    if (fds[0].revents) return DriveEvent::Closed;
    if (!(fds[1].revents & POLLIN)) continue;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device) return DriveEvent::Ignored;
    const char* action = udev_device_get_action(device);
    const char* subsystem = udev_device_get_subsystem(device);
    const DriveEvent event = driveEventForAction(action ? action : "", subsystem ? subsystem : "");
    udev_device_unref(device);
    return event;
  }
}

void UdevEventSource::close() {
  if (closeFd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(closeFd_, &one, sizeof one);
}

}  // namespace salvonix
