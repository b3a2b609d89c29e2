// Marking and unmarking keep the ancestors' marks and the byte total right.

#include <gtest/gtest.h>

#include "scan/HDIR.h"

namespace salvonix {
namespace {

struct Tree {
  std::shared_ptr<HDIR> root = std::make_shared<HDIR>();
  std::atomic<uint64_t> total{0};

  Tree() {
    root->fileID = kRootFileID;
    root->fileType = kFolderType;
  }
  HDIR& folder(uint32_t id) {
    auto node = std::make_shared<HDIR>();
    node->fileID = id;
    node->fileType = kFolderType;
    node->parent = root.get();
    root->addChild(node);
    root->childrenCount += 1;
    return *node;
  }
  HDIR& file(HDIR& folder, uint32_t id, uint64_t size) {
    auto node = std::make_shared<HDIR>();
    node->fileID = id;
    node->fileType = kFileType;
    node->fileSize = size;
    node->parent = &folder;
    folder.addChild(node);
    folder.childrenCount += 1;
    root->childrenCount += 1;
    return *node;
  }
  void set(HDIR& node, uint8_t flag) { CheckController(&node, flag, total).run(); }
};

TEST(Marking, OneFileMarksItsAncestorsAndAddsItsSizeOnce) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& a = t.file(jpg, 5, 100);
  t.file(jpg, 6, 200);
  t.set(a, 1);
  EXPECT_EQ(t.total, 100u);
  EXPECT_EQ(jpg.selected, 1);
  EXPECT_EQ(t.root->selected, 1);
  // A second mark of the same file does not count it twice.
  t.set(a, 1);
  EXPECT_EQ(t.total, 100u);
}

TEST(Marking, FolderMarkAddsOnlyFilesNotYetMarked) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& a = t.file(jpg, 5, 100);
  t.file(jpg, 6, 200);
  t.file(jpg, 7, 400);
  t.set(a, 1);
  t.set(jpg, 1);
  EXPECT_EQ(t.total, 700u);
  for (const auto& child : jpg.children) EXPECT_EQ(child->selected, 1);
}

TEST(Marking, UnmarkingAFolderSubtractsOnlyItsMarkedFilesAndKeepsRootWhileOthersRemain) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& wav = t.folder(4);
  HDIR& a = t.file(jpg, 5, 100);
  t.file(jpg, 6, 200);
  HDIR& w = t.file(wav, 7, 1000);
  t.set(a, 1);
  t.set(w, 1);
  ASSERT_EQ(t.total, 1100u);
  t.set(jpg, 0);
  EXPECT_EQ(t.total, 1000u);
  EXPECT_EQ(jpg.selected, 0);
  EXPECT_EQ(t.root->selected, 1);
  t.set(w, 0);
  EXPECT_EQ(t.total, 0u);
  EXPECT_EQ(wav.selected, 0);
  EXPECT_EQ(t.root->selected, 0);
}

TEST(Marking, UnmarkingAnUnmarkedFileTakesNothingBack) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& a = t.file(jpg, 5, 100);
  HDIR& b = t.file(jpg, 6, 200);
  t.set(a, 1);
  t.set(b, 0);
  EXPECT_EQ(t.total, 100u);
}

TEST(Marking, UnmarkingTheRootClearsEverything) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& wav = t.folder(4);
  t.file(jpg, 5, 100);
  t.file(wav, 6, 300);
  t.set(*t.root, 1);
  EXPECT_EQ(t.total, 400u);
  t.set(*t.root, 0);
  EXPECT_EQ(t.total, 0u);
  for (const auto& folder : t.root->children) {
    EXPECT_EQ(folder->selected, 0);
    for (const auto& file : folder->children) EXPECT_EQ(file->selected, 0);
  }
}

TEST(Marking, ChildrenSelectedCountsMarkedNodesAtEveryDepth) {
  Tree t;
  HDIR& jpg = t.folder(3);
  HDIR& wav = t.folder(4);
  HDIR& a = t.file(jpg, 5, 1);
  t.file(jpg, 6, 1);
  HDIR& w = t.file(wav, 7, 1);
  EXPECT_EQ(a.childrenSelected(), 0u);
  t.set(a, 1);
  t.set(w, 1);
  EXPECT_EQ(jpg.childrenSelected(), 1u);
  EXPECT_EQ(t.root->childrenSelected(), 4u);  // two folders and two files
  // Any other flag value changes nothing.
  t.set(a, 7);
  EXPECT_EQ(a.selected, 1);
}

}  // namespace
}  // namespace salvonix
