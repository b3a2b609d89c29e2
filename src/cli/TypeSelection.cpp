#include "cli/TypeSelection.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace salvonix {

namespace {
std::string knownKeys() {
  std::string keys;
  for (const auto& row : fileTypeTable()) keys += (keys.empty() ? "" : ", ") + std::string(row.key);
  return keys;
}
}  // namespace

TypeSelectionResult selectTypes(const std::optional<std::string>& types, const std::string& group) {
  TypeSelectionResult result;
  if (types) {
    std::stringstream list(*types);
    std::string key;
    while (std::getline(list, key, ',')) {
      if (key.empty()) continue;
      std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
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
    if (selectedKeys(result.selected).empty())
      result.error = "no file type given to --types (known types: " + knownKeys() + ")";
    return result;
  }
  const std::string chosen = group.empty() ? "all" : group;
  if (chosen != "all" && chosen != "image" && chosen != "audio" && chosen != "video") {
    result.error = "unknown group '" + chosen + "' (use image, audio, video or all)";
    return result;
  }
  for (const auto& row : fileTypeTable()) {
    const bool inGroup = chosen == "all" || chosen == groupName(row.category);
    result.selected[rowIndex(row.type)] = inGroup && row.create;
  }
  if (selectedKeys(result.selected).empty()) result.error = "no supported file type in group '" + chosen + "'";
  return result;
}

std::string groupName(FileCategory category) {
  switch (category) {
    case FileCategory::Image: return "image";
    case FileCategory::Audio: return "audio";
    case FileCategory::Video: return "video";
  }
  return {};
}

std::string selectedKeys(const TypeSet& selected) {
  std::string keys;
  for (const auto& row : fileTypeTable())
    if (selected[rowIndex(row.type)]) keys += (keys.empty() ? "" : ",") + std::string(row.key);
  return keys;
}

}  // namespace salvonix
