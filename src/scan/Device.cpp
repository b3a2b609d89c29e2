#include "scan/Device.h"

#include "scan/EwfDevice.h"
#include "scan/RawDevice.h"
#include "scan/SplitRawDevice.h"

namespace salvonix {

const char* deviceKindName(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::BlockDevice: return "block device";
    case DeviceKind::RawImage: return "raw image";
    case DeviceKind::SplitRawImage: return "split raw image";
    case DeviceKind::E01Image: return "E01 image";
    case DeviceKind::Ex01Image: return "Ex01 image";
  }
  return "image";
}

std::shared_ptr<Device> Device::open(const std::string& path, std::string* errorText) {
  auto raw = RawDevice::open(path, errorText);
  if (!raw || raw->isBlockDevice()) return raw;
  unsigned char signature[8] = {};
  const int64_t got = raw->readAt(0, signature, sizeof signature);
  DeviceKind kind{};
  if (got > 0 && EwfDevice::hasSignature(signature, static_cast<std::size_t>(got), &kind))
    return EwfDevice::open(path, kind, errorText);
  if (SplitRawDevice::looksSplit(path)) return SplitRawDevice::open(path, errorText);
  return raw;
}

}  // namespace salvonix
