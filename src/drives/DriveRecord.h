#pragma once
// A drive or volume record: the properties of one medium under the keys the
// drive list reads. Keys this system cannot supply are simply absent.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

namespace salvonix {

namespace drivekey {
inline constexpr std::string_view kContent = "Content";  // file system type of a partition
inline constexpr std::string_view kWhetherVolume = "WhetherVolume";
inline constexpr std::string_view kPreferredBlockSize = "Preferred Block Size";
inline constexpr std::string_view kWhetherSATA = "WhetherSATA";
inline constexpr std::string_view kWhetherUSB = "WhetherUSB";  // USB and FireWire
inline constexpr std::string_view kVendorIdentification = "Vendor Identification";
inline constexpr std::string_view kProductIdentification = "Product Identification";
inline constexpr std::string_view kProductRevisionLevel = "Product Revision Level";
inline constexpr std::string_view kProductName = "Product Name";
inline constexpr std::string_view kDeviceModel = "device model";
inline constexpr std::string_view kDeviceSerial = "device serial";
inline constexpr std::string_view kDeviceRevision = "device revision";
inline constexpr std::string_view kDeviceSize = "device size";
inline constexpr std::string_view kDevicePath = "device path";
inline constexpr std::string_view kRemovable = "Removable";
inline constexpr std::string_view kVolumeName = "Volume Name";
inline constexpr std::string_view kVolumeLabel = "Volume Label";  // the file system's own label
// Volume records.
inline constexpr std::string_view kMountedPath = "Mounted Path";
inline constexpr std::string_view kVolumePath = "Volume Path";
}  // namespace drivekey

class DriveRecord {
 public:
  using Value = std::variant<uint64_t, std::string>;

  bool has(std::string_view key) const { return values_.find(key) != values_.end(); }
  // Adds the value unless the key is present: the first value found wins.
  void add(std::string_view key, Value value) { values_.emplace(std::string(key), std::move(value)); }
  void set(std::string_view key, Value value) { values_.insert_or_assign(std::string(key), std::move(value)); }
  // The text under key; fallback when absent or not a text.
  std::string text(std::string_view key, std::string_view fallback = "") const;
  std::optional<uint64_t> number(std::string_view key) const;
  const std::map<std::string, Value, std::less<>>& values() const { return values_; }
  bool operator==(const DriveRecord&) const = default;

 private:
  std::map<std::string, Value, std::less<>> values_;
};

nlohmann::json toJson(const DriveRecord& record);

}  // namespace salvonix
