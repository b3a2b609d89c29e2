#include "power/Sleep.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace salvonix {

namespace {

struct BusDeleter {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusDeleter>;

BusPtr connect(const std::string& address) {
  sd_bus* bus = nullptr;
  if (address.empty()) return BusPtr(sd_bus_open_system(&bus) < 0 ? nullptr : bus);
  if (sd_bus_new(&bus) < 0) return nullptr;
  BusPtr owned(bus);
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0)
    return nullptr;
  return owned;
}

}  // namespace

Sleep::Sleep(std::string busAddress) : busAddress_(std::move(busAddress)) {}

Sleep::~Sleep() { stopPreventingSleep(); }

bool Sleep::startPreventingSleep() {
  if (inhibitFd_ >= 0) return true;
  BusPtr bus = connect(busAddress_);
  if (!bus) {
    failure_ = kNoLogind;
    return false;
  }
  sd_bus_error busError = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int error = sd_bus_call_method(bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                 "org.freedesktop.login1.Manager", "Inhibit", &busError, &reply, "ssss", "sleep:idle",
                                 "Salvonix", "Scanning a device", "block");
  int fd = -1;
  if (error >= 0 && sd_bus_message_read(reply, "h", &fd) >= 0 && fd >= 0) {
    // The descriptor belongs to the reply; keep a copy for as long as the lock is wanted.
    inhibitFd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (inhibitFd_ < 0) error = -errno;
  }
  if (inhibitFd_ >= 0) {
    failure_.clear();
  } else if (sd_bus_error_has_names(&busError, SD_BUS_ERROR_SERVICE_UNKNOWN, SD_BUS_ERROR_NAME_HAS_NO_OWNER)) {
    failure_ = kNoLogind;
  } else {
    // An error reply need not carry a message text; its name always says what failed.
    const bool hasText = busError.message && *busError.message;
    failure_ = std::string("logind refused the sleep lock (") +
               (!sd_bus_error_is_set(&busError) ? std::strerror(error < 0 ? -error : EIO)
                : hasText                        ? busError.message
                                                 : busError.name) +
               ")";
  }
  sd_bus_message_unref(reply);
  sd_bus_error_free(&busError);
  return inhibitFd_ >= 0;
}

void Sleep::stopPreventingSleep() {
  if (inhibitFd_ >= 0) ::close(inhibitFd_);
  inhibitFd_ = -1;
}

}  // namespace salvonix
