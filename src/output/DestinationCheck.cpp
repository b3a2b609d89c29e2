#include "output/DestinationCheck.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fmt/format.h>

#include "scan/Device.h"

namespace salvonix {

namespace {

// The whole disk of a partition, or the device itself.
dev_t wholeDisk(dev_t device) {
  const std::string base = fmt::format("/sys/dev/block/{}:{}", major(device), minor(device));
  if (!std::filesystem::exists(base + "/partition")) return device;
  std::ifstream parent(base + "/../dev");
  unsigned majorNumber = 0, minorNumber = 0;
  char colon = 0;
  if (parent >> majorNumber >> colon >> minorNumber && colon == ':') return makedev(majorNumber, minorNumber);
  return device;
}

}  // namespace

bool destinationOnDevice(const std::string& destination, const Device& source) {
  if (!source.isBlockDevice()) return false;
  struct stat sourceStat {};
  if (::stat(source.path().c_str(), &sourceStat) != 0) return false;
  // The folder may not exist yet: its nearest existing ancestor tells the file system.
  std::filesystem::path probe = std::filesystem::absolute(destination);
  struct stat destinationStat {};
  while (::stat(probe.c_str(), &destinationStat) != 0) {
    if (!probe.has_parent_path() || probe.parent_path() == probe) return false;
    probe = probe.parent_path();
  }
  const dev_t sourceDevice = sourceStat.st_rdev;
  const dev_t destinationDevice = destinationStat.st_dev;
  return destinationDevice == sourceDevice || wholeDisk(destinationDevice) == sourceDevice ||
         wholeDisk(sourceDevice) == destinationDevice;
}

}  // namespace salvonix
