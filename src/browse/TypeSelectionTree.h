#pragma once
// The tree the user marks file types in before a scan: "Files" with the
// groups "Image" and "Audio Video" and one leaf per type; and what its marks
// tell the scanning engine and the scan page.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "scan/FileTypes.h"
#include "scan/HDIR.h"

namespace salvonix::gui {

inline constexpr uint32_t kImageGroupID = 3;
inline constexpr uint32_t kAudioVideoGroupID = 4;
inline constexpr uint32_t kFirstTypeLeafID = 5;
inline constexpr uint32_t kLastImageLeafID = 26;
inline constexpr uint32_t kLastTypeLeafID = 39;

// A fresh, unmarked tree.
std::shared_ptr<HDIR> allFileTreeCreation();
// The type a leaf stands for; none outside the leaf IDs.
std::optional<FileType> leafFileType(uint32_t fileID);
// The selection flags of the marked leaves, indexed by rowIndex(FileType).
TypeSet fileSelectionFlags(const HDIR& root);

// The names of the marked leaves, each followed by a space, per group.
struct SelectedTypeStrings {
  std::string image;
  std::string audioVideo;
};
SelectedTypeStrings createSelectedString(const HDIR& root);

}  // namespace salvonix::gui
