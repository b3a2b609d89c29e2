#include <gtest/gtest.h>

#include <vector>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

uint64_t sizeOf(const MrwFile& mrw, uint64_t at = 0, uint32_t bytesPerSector = 512) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * 1048576);
  putMrw(image, at, mrw);
  CheckerRun run(image.path(), FileType::Mrw, bytesPerSector);
  return run.size(at / bytesPerSector);
}

TEST(MrwFileCheck, RecognisesItsSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  image.putAtSector(0, {0, 'M', 'R', 'M'});
  image.putAtSector(1, {0, 'M', 'R', 'N'});
  image.putAtSector(2, {1, 'M', 'R', 'M'});
  CheckerRun run(image.path(), FileType::Mrw);
  EXPECT_TRUE(run.isFile(0));
  EXPECT_FALSE(run.isFile(1));
  EXPECT_FALSE(run.isFile(2));
  EXPECT_TRUE(run.checker->mayStartWith(0));
  EXPECT_FALSE(run.checker->mayStartWith('M'));
  EXPECT_EQ(run.checker->firstByteOfHeader(), 0u);
}

TEST(MrwFileCheck, SizesTheImageDataByItsStorageMethod) {
  MrwFile mrw;
  EXPECT_EQ(sizeOf(mrw), 9001520u);
  mrw.storage = 0x52;
  EXPECT_EQ(sizeOf(mrw), 12001520u);
  mrw.storage = 0x53;
  EXPECT_EQ(sizeOf(mrw), 0u);
}

TEST(MrwFileCheck, AppliesItsLimits) {
  struct Case {
    uint32_t blockAreaLength;
    uint32_t height;
    uint32_t width;
    uint8_t storage;
    uint64_t size;
  };
  const Case cases[] = {
      {52428800, 10, 10, 0x52, 8 + 52428800 + 200 + 512},
      {52428801, 10, 10, 0x52, 0},
      {0, 46, 1, 0x52, 612},             // exactly 100 bytes
      {1, 45, 1, 0x52, 0},               // 99 bytes
      {0, 61, 1, 0x59, 0},               // 8 + 91 = 99 bytes
      {0, 62, 1, 0x59, 101 + 512},
      {23068664, 8192, 8192, 0x52, 157286400 + 512},
      {23068665, 8192, 8192, 0x52, 0},
      {0, 65535, 65535, 0x52, 0},
  };
  for (const Case& c : cases) {
    MrwFile mrw;
    mrw.blockAreaLength = c.blockAreaLength;
    mrw.height = c.height;
    mrw.width = c.width;
    mrw.storage = c.storage;
    EXPECT_EQ(sizeOf(mrw), c.size) << c.blockAreaLength << " " << c.height << "x" << c.width;
  }
}

TEST(MrwFileCheck, LooksForTheSensorBlockAmongTheFirstFive) {
  MrwFile mrw;
  mrw.prdTagFirstByte = 'X';  // not compared
  mrw.blocksBeforePrd = {16, 0, 300, 5000};
  EXPECT_EQ(sizeOf(mrw), 9001520u);
  mrw.blocksBeforePrd.push_back(8);
  EXPECT_EQ(sizeOf(mrw), 0u);
}

TEST(MrwFileCheck, ReadsBlocksAcrossWindowEdges) {
  // The sensor block straddles the first 64 KiB edge, or lies several windows in.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // The last case puts the block's end beyond the sector a window holds past 64 KiB.
    for (std::vector<uint32_t> before : {std::vector<uint32_t>{65530 - 16}, std::vector<uint32_t>{100000, 200000},
                                         std::vector<uint32_t>{65536 + bytesPerSector - 10 - 16}}) {
      MrwFile mrw;
      mrw.blocksBeforePrd = before;
      EXPECT_EQ(sizeOf(mrw, 0, bytesPerSector), 9001520u) << bytesPerSector << " " << before[0];
      EXPECT_EQ(sizeOf(mrw, 3 * 4096, bytesPerSector), 9001520u) << bytesPerSector << " " << before[0];
    }
  }
}

TEST(MrwFileCheck, CancellationGivesNoFile) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  putMrw(image, 0, MrwFile{});
  CheckerRun run(image.path(), FileType::Mrw);
  run.context.bCancelScanning = true;
  EXPECT_EQ(run.size(0), 0u);
}

TEST(MrwFileCheck, ScanRecordsTheFile) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 1048576);
  MrwFile mrw;
  mrw.blocksBeforePrd = {65536};
  putMrw(image, 512 * 9, mrw);
  const auto found = scanImage(image.path(), {FileType::Mrw, FileType::Mpg, FileType::Bmp});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].folder, "MRW Files");
  EXPECT_EQ(found[0].name, "file1.mrw");
  EXPECT_EQ(found[0].sector, 9u);
  EXPECT_EQ(found[0].size, 9001520u);
}

}  // namespace
}  // namespace salvonix::test
