#include "scan/ScanContext.h"

#include "scan/Device.h"

namespace salvonix {

std::shared_ptr<Device> ScanContext::openDevice(const std::string& path) const {
  return deviceOpener ? deviceOpener(path) : Device::open(path);
}

}  // namespace salvonix
