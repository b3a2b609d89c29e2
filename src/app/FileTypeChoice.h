#pragma once
// The 35 file types as the user chooses them: key (its two leading digits fix
// the order of the list), display name, maker or media label, icon, and the
// node of the type-selection tree that holds its mark.

#include <array>
#include <optional>
#include <string_view>

#include "scan/FileTypes.h"

namespace salvonix::gui {

enum class TypeGroup { AllFiles, Image, Audio, Video };

struct FileTypeChoice {
  std::string_view key;    // "08jpg"
  std::string_view name;   // "JPG"
  std::string_view label;  // "IMAGE", "CANON", ...
  std::string_view icon;   // icon resource name
  FileType type;
};

const std::array<FileTypeChoice, kFileTypeCount>& fileTypeChoices();
// Whether a type belongs to a group of the combo box; the groups follow the
// type-selection tree's categories (3G2 counts as audio there).
bool inGroup(TypeGroup group, int32_t fileCategory);
// Combo box texts, in combo order.
inline constexpr std::array<std::string_view, 4> kTypeGroupNames{"All Files", "Image", "Audio", "Video"};

}  // namespace salvonix::gui
