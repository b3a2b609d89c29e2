#pragma once
// A results tree built by hand as a scan grows it: ROOT with type folders and
// their files, sizes and counts added up the way the engine adds them.

#include <memory>
#include <string>

#include "scan/HDIR.h"

namespace salvonix::test {

struct ResultsTree {
  std::shared_ptr<HDIR> root = std::make_shared<HDIR>();
  uint32_t nextID = 3;

  ResultsTree() {
    root->fileName = "ROOT";
    root->fileID = kRootFileID;
    root->parentID = 1;
    root->fileType = kFolderType;
  }
  HDIR& folder(const std::string& name, const std::string& extension = "") {
    HDIR& node = add(*root, name, kFolderType);
    node.extension = extension;
    return node;
  }
  HDIR& file(HDIR& folder, const std::string& name, uint64_t sector, uint64_t size, int32_t extra = 0) {
    HDIR& node = add(folder, name, kFileType);
    node.sectorNumber = sector;
    node.fileSize = size;
    node.extraBytesToMove = extra;
    root->childrenCount += 1;
    for (HDIR* counted : {&folder, root.get()}) {
      counted->fileSize += size;
      counted->fileCount += 1;
    }
    return node;
  }
  // "fileN.ext", as the engine names the files of a folder.
  HDIR& file(HDIR& folder, uint64_t size) {
    return file(folder, "file" + std::to_string(folder.childrenCount + 1) + folder.extension, 0, size);
  }

 private:
  HDIR& add(HDIR& parent, const std::string& name, uint32_t type) {
    auto node = std::make_shared<HDIR>();
    node->fileName = name;
    node->pathName = type == kFolderType ? "/ROOT" : "";
    node->fileType = type;
    node->fileID = nextID++;
    node->parentID = parent.fileID;
    node->parent = &parent;
    parent.addChild(node);
    parent.childrenCount += 1;
    return *node;
  }
};

}  // namespace salvonix::test
