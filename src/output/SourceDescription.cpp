#include "output/SourceDescription.h"

#include <fmt/format.h>

#include "output/SizeText.h"
#include "scan/CountText.h"
#include "scan/Device.h"

namespace salvonix {

std::string openedSourceText(const Device& device) {
  std::string files;
  if (device.kind() == DeviceKind::SplitRawImage) files = counted(device.fileCount(), "part") + ", ";
  if (device.kind() == DeviceKind::E01Image || device.kind() == DeviceKind::Ex01Image)
    files = counted(device.fileCount(), "segment") + ", ";
  return fmt::format("Opened {} {} ({}{}-byte sectors, {})", deviceKindName(device.kind()), device.path(), files,
                     device.logicalBlockSize(), sizeText(device.sizeInBytes()));
}

}  // namespace salvonix
