#pragma once
// A sysfs tree built in a temporary folder: block devices under devices/ with
// their attributes, class/block and dev/block links, subsystem links on the
// ancestors, and a mountinfo file beside it.

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/TestImage.h"

namespace salvonix::test {

class FakeSysfs {
 public:
  using Attributes = std::map<std::string, std::string>;

  std::string root() const { return (dir_.path() / "sys").string(); }
  std::string mountInfo() const { return dir_.file("mountinfo"); }

  // A device directory below devices/ (e.g. "pci0000:00/0000:00:1f.2/ata1"),
  // optionally in a subsystem, with attribute files.
  void addDevice(const std::string& path, const std::string& subsystem = {}, const Attributes& attributes = {}) {
    const auto directory = devices() / path;
    std::filesystem::create_directories(directory);
    if (!subsystem.empty()) {
      std::filesystem::create_directories(sys() / "bus" / subsystem);
      std::filesystem::create_symlink(sys() / "bus" / subsystem, directory / "subsystem");
    }
    for (const auto& [name, value] : attributes) write(directory / name, value);
  }

  // A whole disk at parentPath/block/name whose "device" link points at parentPath.
  void addDisk(const std::string& parentPath, const std::string& name, unsigned major, unsigned minor,
               uint64_t sectors512, uint32_t logicalBlockSize, bool removable, const Attributes& attributes = {}) {
    const std::string path = parentPath.empty() ? "virtual/block/" + name : parentPath + "/block/" + name;
    addBlock(path, name, "disk", major, minor, sectors512, attributes);
    const auto directory = devices() / path;
    write(directory / "queue" / "logical_block_size", std::to_string(logicalBlockSize) + "\n");
    write(directory / "removable", removable ? "1\n" : "0\n");
    if (!parentPath.empty()) std::filesystem::create_symlink(devices() / parentPath, directory / "device");
  }

  void addPartition(const std::string& diskPath, const std::string& name, unsigned major, unsigned minor,
                    uint64_t sectors512) {
    addBlock(diskPath + "/" + name, name, "partition", major, minor, sectors512, {{"partition", "1\n"}});
  }

  // Takes a block device out of class/block and dev/block, as when it is detached.
  void detach(const std::string& name, unsigned major, unsigned minor) {
    std::filesystem::remove(sys() / "class" / "block" / name);
    std::filesystem::remove(sys() / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor)));
  }

  void setMountInfo(const std::string& text) const { write(mountInfo(), text); }

  static void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

 private:
  std::filesystem::path sys() const { return dir_.path() / "sys"; }
  std::filesystem::path devices() const { return sys() / "devices"; }

  void addBlock(const std::string& path, const std::string& name, const std::string& type, unsigned major,
                unsigned minor, uint64_t sectors512, const Attributes& attributes) {
    const auto directory = devices() / path;
    addDevice(path, "", attributes);
    std::filesystem::create_directories(sys() / "class" / "block");
    std::filesystem::create_symlink(sys() / "class" / "block", directory / "subsystem");
    write(directory / "size", std::to_string(sectors512) + "\n");
    const std::string number = std::to_string(major) + ":" + std::to_string(minor);
    write(directory / "dev", number + "\n");
    write(directory / "uevent", "MAJOR=" + std::to_string(major) + "\nMINOR=" + std::to_string(minor) +
                                    "\nDEVNAME=" + name + "\nDEVTYPE=" + type + "\n");
    std::filesystem::create_directory_symlink(directory, sys() / "class" / "block" / name);
    std::filesystem::create_directories(sys() / "dev" / "block");
    std::filesystem::create_directory_symlink(directory, sys() / "dev" / "block" / number);
  }

  TempDir dir_;
};

}  // namespace salvonix::test
