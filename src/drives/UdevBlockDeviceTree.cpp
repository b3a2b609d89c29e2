#include "drives/UdevBlockDeviceTree.h"

#include <libudev.h>

#include <atomic>
#include <memory>

#include <fmt/format.h>

#include "drives/SysfsBlockDeviceTree.h"

namespace salvonix {

namespace {

struct UdevDeleter {
  void operator()(udev* handle) const { udev_unref(handle); }
  void operator()(udev_enumerate* handle) const { udev_enumerate_unref(handle); }
  void operator()(udev_device* handle) const { udev_device_unref(handle); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

void sayOnceThatUdevIsNotRunning() {
  static std::atomic<bool> said{false};
  if (!said.exchange(true))
    fmt::print(stderr, "salvonix: udev is not running; drive details are read from sysfs and may be incomplete\n");
}

}  // namespace

bool udevIsRunning() {
  UdevPtr<udev> context(udev_new());
  if (!context) return false;
  udev_queue* queue = udev_queue_new(context.get());
  const bool active = queue && udev_queue_get_udev_is_active(queue) == 1;
  udev_queue_unref(queue);
  return active;
}

std::vector<BlockDeviceEntry> UdevBlockDeviceTree::blockDevices() {
  if (!udevIsRunning()) sayOnceThatUdevIsNotRunning();
  UdevPtr<udev> context(udev_new());
  if (!context) return SysfsBlockDeviceTree().blockDevices();
  UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "block") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0)
    return SysfsBlockDeviceTree().blockDevices();

  std::vector<BlockDeviceEntry> entries;
  udev_list_entry* item = nullptr;
  udev_list_entry_foreach(item, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(item)));
    if (!device) continue;
    const char* devType = udev_device_get_devtype(device.get());
    const char* devNode = udev_device_get_devnode(device.get());
    BlockDeviceEntry entry;
    entry.sysPath = udev_device_get_syspath(device.get());
    entry.sysName = udev_device_get_sysname(device.get());
    entry.devNode = devNode ? devNode : "/dev/" + entry.sysName;
    entry.partition = devType && std::string_view(devType) == "partition";
    udev_list_entry* property = nullptr;
    udev_list_entry_foreach(property, udev_device_get_properties_list_entry(device.get())) {
      const std::string_view name = udev_list_entry_get_name(property);
      const char* value = udev_list_entry_get_value(property);
      if (name.starts_with("ID_") && value) entry.properties.emplace(name, value);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace salvonix
