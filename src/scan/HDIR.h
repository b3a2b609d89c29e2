#pragma once
// Node of the recovered-file tree: the root, one folder per file type and one
// node per file found. Marking goes through CheckController.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace salvonix {

inline constexpr uint32_t kFolderType = 1;
inline constexpr uint32_t kFileType = 2;
inline constexpr uint32_t kRootFileID = 2;
inline constexpr const char* kRootFolderName = "ROOT";

struct HDIR {
  std::string fileName;
  std::string pathName;
  std::string extension;  // type folders only, with its dot
  uint32_t fileType = 0;  // kFolderType or kFileType
  uint32_t parentID = 0;
  uint32_t fileID = 0;
  uint32_t fileCount = 0;
  uint64_t fileSize = 0;
  uint64_t sectorNumber = 0;
  uint8_t selected = 0;
  int32_t fileCategory = -1;
  int32_t childrenCount = 0;
  // Count of marked children as stored in a scan information file; marking
  // itself counts on demand through childrenSelected().
  int32_t storedChildrenSelected = 0;
  int32_t extraBytesToMove = 0;  // bytes to skip in the first sector before the file starts
  std::vector<std::shared_ptr<HDIR>> children;
  HDIR* parent = nullptr;

  void addChild(std::shared_ptr<HDIR> child) { children.push_back(std::move(child)); }
  HDIR* childAtIndex(std::size_t index) const {
    return index < children.size() ? children[index].get() : nullptr;
  }
  bool expandable() const { return childrenCount > 0; }
  // Number of marked nodes among all descendants at any depth.
  uint32_t childrenSelected() const;
};

// Marks (flag 1) or unmarks (flag 0) a node with its subtree, keeps its
// ancestors' marks consistent and the total of marked bytes up to date.
// It walks children and sizes that a running scan appends to: while a scan
// runs, call it with the context's treeMutex held.
class CheckController {
 public:
  CheckController(HDIR* hdir, uint8_t flag, std::atomic<uint64_t>& u64SelectedFileSize)
      : hdir_(hdir), flag_(flag), selectedFileSize_(u64SelectedFileSize) {}
  void run();

 private:
  void mark();
  void unmark();
  void markSubtree(HDIR& node);
  void unmarkSubtree(HDIR& node);

  HDIR* hdir_;
  uint8_t flag_;
  std::atomic<uint64_t>& selectedFileSize_;
};

// Where a found file's first byte lies on the device.
inline uint64_t byteOffsetOf(const HDIR& file, uint32_t bytesPerSector) {
  return file.sectorNumber * bytesPerSector + static_cast<uint64_t>(file.extraBytesToMove);
}

}  // namespace salvonix
