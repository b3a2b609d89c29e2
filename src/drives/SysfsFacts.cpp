#include "drives/SysfsFacts.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace salvonix {

namespace {

namespace fs = std::filesystem;

// Ancestors walked when looking for the interconnect; sysfs trees are far shallower.
constexpr int kMaxAncestors = 64;

std::string readRaw(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string attribute(const fs::path& path) { return trimmed(readRaw(path)); }

std::optional<uint64_t> numberAttribute(const fs::path& path) {
  const std::string text = attribute(path);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) return {};
  return std::stoull(text);
}

std::string firstAttribute(const fs::path& directory, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (std::string value = attribute(directory / name); !value.empty()) return value;
  return {};
}

bool isAtaPort(const std::string& name) {
  return name.size() > 3 && name.starts_with("ata") && name.find_first_not_of("0123456789", 3) == std::string::npos;
}

// USB and FireWire show as subsystems of an ancestor; libata ports as ancestors named ataN.
DriveBus busOfAncestors(const fs::path& device) {
  DriveBus bus = DriveBus::Other;
  std::error_code failure;
  fs::path node = fs::canonical(device, failure);
  if (failure) return bus;
  for (int level = 0; level < kMaxAncestors && node.has_relative_path(); ++level, node = node.parent_path()) {
    const std::string subsystem = fs::read_symlink(node / "subsystem", failure).filename().string();
    if (!failure && subsystem == "usb") return DriveBus::Usb;
    if (!failure && (subsystem == "firewire" || subsystem == "ieee1394")) return DriveBus::FireWire;
    if (isAtaPort(node.filename().string())) bus = DriveBus::Sata;
  }
  return bus;
}

}  // namespace

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n\v\f");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n\v\f");
  return std::string(text.substr(first, last - first + 1));
}

std::string serialFromVpdPage80(const std::string& page) {
  if (page.size() < 4 || static_cast<uint8_t>(page[1]) != 0x80) return {};
  const std::size_t length = (static_cast<uint8_t>(page[2]) << 8) | static_cast<uint8_t>(page[3]);
  std::string serial = page.substr(4, length);
  for (char& c : serial)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = ' ';
  return trimmed(serial);
}

SysfsFacts readSysfsFacts(const std::string& sysPath) {
  const fs::path device(sysPath);
  const fs::path parent = device / "device";
  SysfsFacts facts;
  // sysfs counts the size in 512-byte units whatever the sector size.
  if (auto sectors = numberAttribute(device / "size"); sectors && *sectors <= UINT64_MAX / 512)
    facts.sizeBytes = *sectors * 512;
  if (auto blockSize = numberAttribute(device / "queue" / "logical_block_size"); blockSize && *blockSize <= UINT32_MAX)
    facts.logicalBlockSize = static_cast<uint32_t>(*blockSize);
  if (auto removable = numberAttribute(device / "removable")) facts.removable = *removable != 0;
  facts.bus = busOfAncestors(parent);
  facts.vendor = attribute(parent / "vendor");
  if (facts.bus == DriveBus::Other && facts.vendor == "ATA") facts.bus = DriveBus::Sata;
  facts.model = firstAttribute(parent, {"model", "name"});
  facts.serial = attribute(parent / "serial");
  if (facts.serial.empty()) facts.serial = serialFromVpdPage80(readRaw(parent / "vpd_pg80"));
  if (facts.serial.empty()) facts.serial = attribute(device / "serial");
  facts.revision = firstAttribute(parent, {"rev", "firmware_rev", "fwrev"});
  return facts;
}

}  // namespace salvonix
