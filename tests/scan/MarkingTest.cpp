// Marking and unmarking keep the ancestors' marks and the byte total right.

#include <gtest/gtest.h>

#include "support/ResultsTree.h"

namespace salvonix {
namespace {

TEST(Marking, EachFileIsAddedOnceAndUnmarkingTakesBackOnlyWhatWasMarked) {
  test::ResultsTree t;
  std::atomic<uint64_t> total{0};
  HDIR& jpg = t.folder("JPG Files");
  HDIR& wav = t.folder("WAV Files");
  HDIR& a = t.file(jpg, "file1.jpg", 0, 100);
  HDIR& b = t.file(jpg, "file2.jpg", 0, 200);
  t.file(jpg, "file3.jpg", 0, 400);
  HDIR& w = t.file(wav, "file1.wav", 0, 1000);
  const struct {
    HDIR* node;
    uint8_t flag;
    uint64_t total;
    uint8_t jpgMark, rootMark;
    int rootChildren;  // marked nodes below the root; -1: not checked
  } steps[] = {
      {&a, 1, 100, 1, 1, -1},
      {&a, 1, 100, 1, 1, -1},  // already marked: not counted twice
      {&jpg, 1, 700, 1, 1, 4},  // only the files not yet marked are added; the folder and its three files
      {&a, 7, 700, 1, 1, 4},    // any other flag changes nothing
      {&b, 0, 500, 1, 1, -1},
      {&b, 0, 500, 1, 1, -1},     // no longer marked
      {&w, 1, 1500, 1, 1, -1},
      {&jpg, 0, 1000, 0, 1, -1},  // partly marked folder; the root stays marked for the WAV
      {&w, 0, 0, 0, 0, -1},
      {t.root.get(), 1, 1700, 1, 1, -1},
      {t.root.get(), 0, 0, 0, 0, 0},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    CheckController(steps[i].node, steps[i].flag, total).run();
    EXPECT_EQ(total, steps[i].total) << "step " << i;
    EXPECT_EQ(std::pair(jpg.selected, t.root->selected), std::pair(steps[i].jpgMark, steps[i].rootMark)) << "step " << i;
    if (steps[i].rootChildren >= 0) {
      EXPECT_EQ(t.root->childrenSelected(), uint32_t(steps[i].rootChildren)) << "step " << i;
    }
  }
  EXPECT_EQ(a.selected, 0);
}

}  // namespace
}  // namespace salvonix
