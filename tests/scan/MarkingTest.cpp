// Marking and unmarking keep the ancestors' marks and the byte total right.

#include <gtest/gtest.h>

#include "support/ResultsTree.h"

namespace salvonix {
namespace {

struct Marks : test::ResultsTree {
  std::atomic<uint64_t> total{0};
  void set(HDIR& node, uint8_t flag) { CheckController(&node, flag, total).run(); }
};

TEST(Marking, FilesAndFoldersAddEachMarkedFileOnce) {
  Marks t;
  HDIR& jpg = t.folder("JPG Files");
  HDIR& a = t.file(jpg, "file1.jpg", 0, 100);
  t.file(jpg, "file2.jpg", 0, 200);
  t.file(jpg, "file3.jpg", 0, 400);
  t.set(a, 1);
  EXPECT_EQ(t.total, 100u);
  EXPECT_EQ(jpg.selected, 1);
  EXPECT_EQ(t.root->selected, 1);
  t.set(a, 1);  // already marked: not counted twice
  EXPECT_EQ(t.total, 100u);
  t.set(jpg, 1);  // only the files not yet marked are added
  EXPECT_EQ(t.total, 700u);
  EXPECT_EQ(jpg.childrenSelected(), 3u);
  EXPECT_EQ(t.root->childrenSelected(), 4u);  // the folder and its three files
  t.set(a, 7);  // any other flag changes nothing
  EXPECT_EQ(a.selected, 1);
}

TEST(Marking, UnmarkingTakesBackOnlyWhatWasMarked) {
  Marks t;
  HDIR& jpg = t.folder("JPG Files");
  HDIR& wav = t.folder("WAV Files");
  HDIR& a = t.file(jpg, "file1.jpg", 0, 100);
  HDIR& b = t.file(jpg, "file2.jpg", 0, 200);
  HDIR& w = t.file(wav, "file1.wav", 0, 1000);
  t.set(a, 1);
  t.set(w, 1);
  t.set(b, 0);  // never marked
  EXPECT_EQ(t.total, 1100u);
  t.set(jpg, 0);  // partly marked folder; the root stays marked for the WAV
  EXPECT_EQ(t.total, 1000u);
  EXPECT_EQ(jpg.selected, 0);
  EXPECT_EQ(t.root->selected, 1);
  t.set(w, 0);
  EXPECT_EQ(t.total, 0u);
  EXPECT_EQ(t.root->selected, 0);
}

TEST(Marking, UnmarkingTheRootClearsEverything) {
  Marks t;
  t.file(t.folder("JPG Files"), "file1.jpg", 0, 100);
  t.file(t.folder("WAV Files"), "file1.wav", 0, 300);
  t.set(*t.root, 1);
  EXPECT_EQ(t.total, 400u);
  t.set(*t.root, 0);
  EXPECT_EQ(t.total, 0u);
  EXPECT_EQ(t.root->childrenSelected(), 0u);
}

}  // namespace
}  // namespace salvonix
