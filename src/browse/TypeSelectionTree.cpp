#include "browse/TypeSelectionTree.h"

#include <array>
#include <string_view>

namespace salvonix::gui {

namespace {

struct TypeLeaf {
  std::string_view name;
  FileType type;
  FileCategory category;
};

// In fileID order from kFirstTypeLeafID: the Image group, then Audio Video.
// 3G2 counts as audio here, 3GP as video.
constexpr std::array<TypeLeaf, kFileTypeCount> kLeaves{{
    {"Arw", FileType::Arw, FileCategory::Image},
    {"Bmp", FileType::Bmp, FileCategory::Image},
    {"Cr2", FileType::Cr2, FileCategory::Image},
    {"Crw", FileType::Crw, FileCategory::Image},
    {"Dcr", FileType::Dcr, FileCategory::Image},
    {"Dng", FileType::Dng, FileCategory::Image},
    {"Sr2", FileType::Sr2, FileCategory::Image},
    {"Gif", FileType::Gif, FileCategory::Image},
    {"Jpg", FileType::Jpg, FileCategory::Image},
    {"K25", FileType::K25, FileCategory::Image},
    {"Kdc", FileType::Kdc, FileCategory::Image},
    {"Leica", FileType::Leica, FileCategory::Image},
    {"Mrw", FileType::Mrw, FileCategory::Image},
    {"Nef", FileType::Nef, FileCategory::Image},
    {"Orf", FileType::Orf, FileCategory::Image},
    {"Pef", FileType::Pef, FileCategory::Image},
    {"Png", FileType::Png, FileCategory::Image},
    {"Raf", FileType::Raf, FileCategory::Image},
    {"Panasonic", FileType::RawPanasonic, FileCategory::Image},
    {"3Fr", FileType::ThreeFR, FileCategory::Image},
    {"Tiff", FileType::Tiff, FileCategory::Image},
    {"X3f", FileType::X3f, FileCategory::Image},
    {"Aif", FileType::Aif, FileCategory::Audio},
    {"Avi", FileType::Avi, FileCategory::Video},
    {"M4a", FileType::M4a, FileCategory::Audio},
    {"M4b", FileType::M4b, FileCategory::Audio},
    {"M4v", FileType::M4v, FileCategory::Video},
    {"Mid", FileType::Mid, FileCategory::Audio},
    {"Mov", FileType::Mov, FileCategory::Video},
    {"Mp3", FileType::Mp3, FileCategory::Audio},
    {"Mp4", FileType::Mp4, FileCategory::Video},
    {"Mpg", FileType::Mpg, FileCategory::Video},
    {"3gp", FileType::ThreeGP, FileCategory::Video},
    {"3g2", FileType::ThreeGTwo, FileCategory::Audio},
    {"Wav", FileType::Wav, FileCategory::Audio},
}};

std::shared_ptr<HDIR> makeNode(std::string_view name, std::string pathName, uint32_t fileType, uint32_t fileID,
                               HDIR* parent) {
  auto node = std::make_shared<HDIR>();
  node->fileName = name;
  node->pathName = std::move(pathName);
  node->fileType = fileType;
  node->fileID = fileID;
  node->parentID = parent ? parent->fileID : 1;
  node->parent = parent;
  if (parent) parent->addChild(node);
  return node;
}

void collectFlags(const HDIR& node, TypeSet& flags) {
  for (const auto& child : node.children) {
    if (child->childrenCount < 1) {
      if (const auto type = leafFileType(child->fileID)) flags[rowIndex(*type)] = child->selected != 0;
    } else {
      collectFlags(*child, flags);
    }
  }
}

void collectNames(const HDIR& node, SelectedTypeStrings& names) {
  for (const auto& child : node.children) {
    if (child->childrenCount > 0) {
      collectNames(*child, names);
      continue;
    }
    if (child->selected != 1 || !leafFileType(child->fileID)) continue;
    std::string& group = child->fileID <= kLastImageLeafID ? names.image : names.audioVideo;
    group += child->fileName + " ";
  }
}

}  // namespace

std::shared_ptr<HDIR> allFileTreeCreation() {
  auto root = makeNode("Files", "/Files", kFolderType, kRootFileID, nullptr);
  HDIR* image = makeNode("Image", root->pathName, kFolderType, kImageGroupID, root.get()).get();
  HDIR* audioVideo = makeNode("Audio Video", root->pathName, kFolderType, kAudioVideoGroupID, root.get()).get();
  uint32_t fileID = kFirstTypeLeafID;
  for (const TypeLeaf& leaf : kLeaves) {
    HDIR* group = fileID <= kLastImageLeafID ? image : audioVideo;
    auto node = makeNode(leaf.name, group->fileName + "/" + root->fileName, kFileType, fileID++, group);
    node->fileCategory = static_cast<int32_t>(leaf.category);
    for (HDIR* counted : {root.get(), group}) {
      counted->childrenCount += 1;
      counted->fileCount += 1;
    }
  }
  return root;
}

std::optional<FileType> leafFileType(uint32_t fileID) {
  if (fileID < kFirstTypeLeafID || fileID > kLastTypeLeafID) return std::nullopt;
  return kLeaves[fileID - kFirstTypeLeafID].type;
}

TypeSet fileSelectionFlags(const HDIR& root) {
  TypeSet flags{};
  collectFlags(root, flags);
  return flags;
}

SelectedTypeStrings createSelectedString(const HDIR& root) {
  SelectedTypeStrings names;
  collectNames(root, names);
  return names;
}

}  // namespace salvonix::gui
