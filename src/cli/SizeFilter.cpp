#include "cli/SizeFilter.h"

#include <fmt/format.h>

namespace salvonix {

namespace {

std::shared_ptr<HDIR> folderCopy(const HDIR& folder, HDIR* parent) {
  auto copy = std::make_shared<HDIR>(folder);
  copy->children.clear();
  copy->parent = parent;
  copy->fileCount = 0;
  copy->fileSize = 0;
  return copy;
}

}  // namespace

std::string sizeRangeProblem(SizeRange range) {
  if (range.min <= range.max) return {};
  return fmt::format("--min-size {} is above --max-size {}", range.min, range.max);
}

std::shared_ptr<HDIR> filesWithin(const HDIR& root, SizeRange range) {
  auto result = folderCopy(root, nullptr);
  for (const auto& folder : root.children) {
    if (folder->fileType != kFolderType) continue;
    auto kept = folderCopy(*folder, result.get());
    for (const auto& file : folder->children) {
      if (file->fileType != kFileType || file->fileSize < range.min || file->fileSize > range.max) continue;
      auto copy = std::make_shared<HDIR>(*file);
      copy->parent = kept.get();
      kept->fileCount += 1;
      kept->fileSize += file->fileSize;
      kept->addChild(std::move(copy));
    }
    kept->childrenCount = static_cast<int32_t>(kept->children.size());
    result->fileCount += kept->fileCount;
    result->fileSize += kept->fileSize;
    result->addChild(std::move(kept));
  }
  result->childrenCount = static_cast<int32_t>(result->children.size());
  return result;
}

}  // namespace salvonix
