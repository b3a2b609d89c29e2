#include "drives/FilesystemProbe.h"

#include <blkid/blkid.h>

namespace salvonix {

std::optional<FilesystemInfo> BlkidProbe::probe(const std::string& devicePath) {
  blkid_probe probe = blkid_new_probe_from_filename(devicePath.c_str());
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL);
  std::optional<FilesystemInfo> info;
  if (blkid_do_safeprobe(probe) == 0) {
    const char* type = nullptr;
    const char* label = nullptr;
    if (blkid_probe_lookup_value(probe, "TYPE", &type, nullptr) == 0 && type) {
      info = FilesystemInfo{type, {}};
      if (blkid_probe_lookup_value(probe, "LABEL", &label, nullptr) == 0 && label) info->label = label;
    }
  }
  blkid_free_probe(probe);
  return info;
}

}  // namespace salvonix
