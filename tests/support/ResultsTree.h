#pragma once
// A results tree built by hand: ROOT with type folders and their files.

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
    root->fileType = kFolderType;
  }
  HDIR& folder(const std::string& name) { return add(*root, name, kFolderType); }
  HDIR& file(HDIR& folder, const std::string& name, uint64_t sector, uint64_t size, int32_t extra = 0) {
    HDIR& node = add(folder, name, kFileType);
    node.sectorNumber = sector;
    node.fileSize = size;
    node.extraBytesToMove = extra;
    root->childrenCount += 1;
    return node;
  }

 private:
  HDIR& add(HDIR& parent, const std::string& name, uint32_t type) {
    auto node = std::make_shared<HDIR>();
    node->fileName = name;
    node->pathName = type == kFolderType ? "/ROOT" : "";
    node->fileType = type;
    node->fileID = nextID++;
    node->parent = &parent;
    parent.addChild(node);
    parent.childrenCount += 1;
    return *node;
  }
};

}  // namespace salvonix::test
