#pragma once
// The file system on a partition: its type and label.

#include <optional>
#include <string>

namespace salvonix {

struct FilesystemInfo {
  std::string type;   // "vfat", "exfat", "ext4", ...
  std::string label;  // empty when the file system has none
};

class FilesystemProbe {
 public:
  virtual ~FilesystemProbe() = default;
  // Nothing when the device cannot be read or holds no known file system.
  virtual std::optional<FilesystemInfo> probe(const std::string& devicePath) = 0;
};

// Reads the superblock with libblkid.
class BlkidProbe : public FilesystemProbe {
 public:
  std::optional<FilesystemInfo> probe(const std::string& devicePath) override;
};

}  // namespace salvonix
