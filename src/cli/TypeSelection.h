#pragma once
// Turns --types and --group into the set of types to scan.

#include <string>

#include "scan/FileTypes.h"

namespace salvonix {

struct TypeSelectionResult {
  TypeSet selected{};
  std::string error;  // empty when the selection is valid
};

// types: comma-separated keys ("jpg,bmp"); group: "image", "audio", "video" or
// "all". Without either, every type whose checker is built.
TypeSelectionResult selectTypes(const std::string& types, const std::string& group);
std::string selectedKeys(const TypeSet& selected);

}  // namespace salvonix
