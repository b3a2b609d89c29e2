#include "cli/TypeSelection.h"

#include <sstream>

namespace salvonix {

namespace {
std::string knownKeys() {
  std::string keys;
  for (const auto& row : fileTypeTable()) keys += (keys.empty() ? "" : ", ") + std::string(row.key);
  return keys;
}
}  // namespace

TypeSelectionResult selectTypes(const std::string& types, const std::string& group) {
  TypeSelectionResult result;
  if (!types.empty()) {
    std::stringstream list(types);
    std::string key;
    while (std::getline(list, key, ',')) {
      if (key.empty()) continue;
      const auto type = fileTypeByKey(key);
      if (!type) {
        result.error = "unknown file type '" + key + "' (known types: " + knownKeys() + ")";
        return result;
      }
      if (!fileTypeRow(*type).create) {
        result.error = "file type '" + key + "' is not supported yet";
        return result;
      }
      result.selected[rowIndex(*type)] = true;
    }
    if (selectedKeys(result.selected).empty()) result.error = "no file type given";
    return result;
  }
  const std::string chosen = group.empty() ? "all" : group;
  if (chosen != "all" && chosen != "image" && chosen != "audio" && chosen != "video") {
    result.error = "unknown group '" + chosen + "' (use image, audio, video or all)";
    return result;
  }
  for (const auto& row : fileTypeTable()) {
    const bool inGroup = chosen == "all" || (chosen == "image" && row.category == FileCategory::Image) ||
                         (chosen == "audio" && row.category == FileCategory::Audio) ||
                         (chosen == "video" && row.category == FileCategory::Video);
    result.selected[rowIndex(row.type)] = inGroup && row.create;
  }
  if (selectedKeys(result.selected).empty()) result.error = "no supported file type in group '" + chosen + "'";
  return result;
}

std::string selectedKeys(const TypeSet& selected) {
  std::string keys;
  for (const auto& row : fileTypeTable())
    if (selected[rowIndex(row.type)]) keys += (keys.empty() ? "" : ",") + std::string(row.key);
  return keys;
}

}  // namespace salvonix
