#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

TEST(RafFileCheck, NeedsTheWholeSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  putRaf(image, 0, RafFile{});
  image.put(14, {'X'});
  EXPECT_FALSE(CheckerRun(image.path(), FileType::Raf).isFile(0));
}

TEST(RafFileCheck, SizesTheRawDataWithinItsLimits) {
  struct Case {
    uint32_t cfaOffset, cfaLength, secondLength;
    uint64_t size;
  };
  const Case cases[] = {
      {4000, 6000000, 0, 6004512},       {4000, 6000000, 6000000, 12004512}, {4000, 6000000, 6000001, 6004512},
      {209715200, 0, 0, 209715712},      {209715201, 0, 0, 0},               {209715100, 100, 0, 209715712},
      {209715100, 101, 0, 0},            {0xFFFFFFFF, 10, 0, 0},             {4000, 0xFFFFFFFF, 0, 0},
      {60, 40, 0, 612},                  {60, 39, 0, 0},
  };
  for (const Case& c : cases) {
    const RafFile raf{.cfaOffset = c.cfaOffset, .cfaLength = c.cfaLength, .secondLength = c.secondLength};
    EXPECT_EQ(measure(putRaf, raf).size, c.size) << c.cfaOffset << " " << c.cfaLength;
  }
}

TEST(RafFileCheck, ReportsPreviewsLongerThan1024Bytes) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    EXPECT_FALSE(measure(putRaf, {.previewOffset = 100000, .previewLength = 1024}, 7, bytesPerSector).preview);
    const Measured m = measure(putRaf, {.previewOffset = 100000, .previewLength = 1025}, 7, bytesPerSector);
    EXPECT_TRUE(m.preview);
    EXPECT_EQ(m.previewSize, 1025u);
    EXPECT_EQ(m.previewSector, 7u + 100000 / bytesPerSector);
    EXPECT_EQ(m.previewExtra, 100000u % bytesPerSector);
  }
}

}  // namespace
}  // namespace salvonix::test
