#pragma once
// Turns --types and --group into the set of types to scan.

#include <optional>
#include <string>

#include "scan/FileTypes.h"

namespace salvonix {

struct TypeSelectionResult {
  TypeSet selected{};
  std::string error;  // empty when the selection is valid
};

// types: comma-separated keys in any case ("jpg,BMP"); group: "image",
// "audio", "video" or "all". Without either, every type whose checker is built.
TypeSelectionResult selectTypes(const std::optional<std::string>& types, const std::string& group);
// The --group a type belongs to.
std::string groupName(FileCategory category);
std::string selectedKeys(const TypeSet& selected);

}  // namespace salvonix
