#include <gtest/gtest.h>

#include <vector>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

TEST(MrwFileCheck, NeedsTheWholeSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  image.putAtSector(0, {0, 'M', 'R', 'N'});
  image.putAtSector(1, {1, 'M', 'R', 'M'});
  CheckerRun run(image.path(), FileType::Mrw);
  EXPECT_FALSE(run.isFile(0));
  EXPECT_FALSE(run.isFile(1));
}

TEST(MrwFileCheck, SizesTheImageDataWithinItsLimits) {
  struct Case {
    uint32_t blockAreaLength, height, width;
    uint8_t storage;
    uint64_t size;
  };
  const Case cases[] = {
      {1000, 2000, 3000, 0x59, 9001520},          {1000, 2000, 3000, 0x52, 12001520},
      {1000, 2000, 3000, 0x53, 0},                {52428800, 10, 10, 0x52, 8 + 52428800 + 200 + 512},
      {52428801, 10, 10, 0x52, 0},                {0, 46, 1, 0x52, 100 + 512},
      {1, 45, 1, 0x52, 0},                        {0, 61, 1, 0x59, 0},  // 8 + 91 bytes
      {0, 62, 1, 0x59, 101 + 512},                {23068664, 8192, 8192, 0x52, 157286400 + 512},
      {23068665, 8192, 8192, 0x52, 0},            {0, 65535, 65535, 0x52, 0},
  };
  for (const Case& c : cases) {
    const MrwFile mrw{.blockAreaLength = c.blockAreaLength, .height = c.height, .width = c.width, .storage = c.storage};
    EXPECT_EQ(measure(putMrw, mrw).size, c.size) << c.blockAreaLength << " " << c.height << "x" << c.width;
  }
}

TEST(MrwFileCheck, LooksForTheSensorBlockAmongTheFirstFive) {
  EXPECT_EQ(measure(putMrw, {.blocksBeforePrd = {16, 0, 300, 5000}}).size, 9001520u);
  EXPECT_EQ(measure(putMrw, {.blocksBeforePrd = {16, 0, 300, 5000, 8}}).size, 0u);
}

TEST(MrwFileCheck, ReadsBlocksAcrossWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // Straddling the first edge, several windows in, and ending past the
    // sector a window holds beyond 64 KiB.
    const std::vector<std::vector<uint32_t>> chains = {{65530 - 16}, {100000, 200000}, {65536 + bytesPerSector - 26}};
    for (const auto& before : chains) {
      for (uint64_t sector : {0u, 12288 / bytesPerSector}) {
        EXPECT_EQ(measure(putMrw, {.blocksBeforePrd = before}, sector, bytesPerSector).size, 9001520u)
            << bytesPerSector << " " << before[0] << " " << sector;
      }
    }
  }
}

}  // namespace
}  // namespace salvonix::test
