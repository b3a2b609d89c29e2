#include "drives/SysfsBlockDeviceTree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace salvonix {

std::map<std::string, std::string> readUevent(const std::string& path) {
  std::map<std::string, std::string> values;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

std::vector<BlockDeviceEntry> SysfsBlockDeviceTree::blockDevices() {
  namespace fs = std::filesystem;
  std::vector<BlockDeviceEntry> entries;
  std::error_code failure;
  for (const auto& link : fs::directory_iterator(fs::path(sysRoot_) / "class" / "block", failure)) {
    const fs::path device = fs::canonical(link.path(), failure);
    if (failure) continue;
    auto uevent = readUevent((device / "uevent").string());
    BlockDeviceEntry entry;
    entry.sysPath = device.string();
    entry.sysName = link.path().filename().string();
    entry.devNode = "/dev/" + (uevent.count("DEVNAME") ? uevent["DEVNAME"] : entry.sysName);
    entry.partition = uevent["DEVTYPE"] == "partition";
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const BlockDeviceEntry& a, const BlockDeviceEntry& b) { return a.sysName < b.sysName; });
  return entries;
}

}  // namespace salvonix
