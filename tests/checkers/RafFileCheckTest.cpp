#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

Measured measureRaf(const RafFile& raf, uint64_t sector = 0) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 1048576);
  putRaf(image, sector * 512, raf);
  return measure(image.path(), FileType::Raf, sector);
}

TEST(RafFileCheck, RecognisesItsSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  putRaf(image, 0, RafFile{});
  putRaf(image, 512, RafFile{});
  image.put(512 + 14, {'X'});
  CheckerRun run(image.path(), FileType::Raf);
  EXPECT_TRUE(run.isFile(0));
  EXPECT_FALSE(run.isFile(1));
  EXPECT_TRUE(run.checker->mayStartWith('F'));
  EXPECT_FALSE(run.checker->mayStartWith('G'));
  EXPECT_EQ(run.checker->firstByteOfHeader(), 0x46u);
}

TEST(RafFileCheck, SizesTheRawDataAndItsSecondCopy) {
  RafFile raf;
  EXPECT_EQ(measureRaf(raf).size, 6004512u);
  raf.secondLength = raf.cfaLength;
  EXPECT_EQ(measureRaf(raf).size, 12004512u);
  raf.secondLength = raf.cfaLength + 1;
  EXPECT_EQ(measureRaf(raf).size, 6004512u);
}

TEST(RafFileCheck, AppliesItsLimits) {
  struct Case {
    uint32_t cfaOffset;
    uint32_t cfaLength;
    uint64_t size;
  };
  const Case cases[] = {
      {209715200, 0, 209715712}, {209715201, 0, 0},   {209715100, 100, 209715712},
      {209715100, 101, 0},       {0xFFFFFFFF, 10, 0}, {4000, 0xFFFFFFFF, 0},
      {60, 40, 612},             {60, 39, 0},
  };
  for (const Case& c : cases) {
    RafFile raf;
    raf.cfaOffset = c.cfaOffset;
    raf.cfaLength = c.cfaLength;
    EXPECT_EQ(measureRaf(raf).size, c.size) << c.cfaOffset << " " << c.cfaLength;
  }
}

TEST(RafFileCheck, ReportsPreviewsLongerThan1024Bytes) {
  RafFile raf;
  raf.previewOffset = 100000;
  raf.previewLength = 1024;
  EXPECT_FALSE(measureRaf(raf, 7).preview);
  raf.previewLength = 1025;
  const Measured m = measureRaf(raf, 7);
  EXPECT_TRUE(m.preview);
  EXPECT_EQ(m.previewSize, 1025u);
  EXPECT_EQ(m.previewSector, 7u + 100000 / 512);
  EXPECT_EQ(m.previewExtra, 100000u % 512);
  EXPECT_EQ(m.size, 6004512u);
}

TEST(RafFileCheck, ScanRecordsFileAndPreviewAcrossWindowEdges) {
  // The file starts in the last sector of a 64 KiB window and its preview
  // straddles the next window edge.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 4 * 1048576);
    const uint64_t sector = 65536 / bytesPerSector - 1;
    RafFile raf;
    raf.previewOffset = 65536 - 597;
    raf.previewLength = 6000;
    raf.cfaLength = 100000;
    putRaf(image, sector * bytesPerSector, raf);
    image.put(sector * bytesPerSector + raf.previewOffset, sampleJpeg(6000, 2));
    const auto found = scanImage(image.path(), {FileType::Raf, FileType::Jpg, FileType::X3f}, bytesPerSector);
    ASSERT_EQ(found.size(), 2u) << bytesPerSector;
    EXPECT_EQ(found[0].folder, "RAF Files");
    EXPECT_EQ(found[0].name, "file1.raf");
    EXPECT_EQ(found[0].sector, sector);
    EXPECT_EQ(found[0].size, 104512u);
    EXPECT_EQ(found[1].folder, "RAW Jpg Files");
    EXPECT_EQ(found[1].name, "file - Raw Jpg1.jpg");
    EXPECT_EQ(found[1].sector, sector + raf.previewOffset / bytesPerSector);
    EXPECT_EQ(found[1].extraBytesToMove, static_cast<int32_t>(raf.previewOffset % bytesPerSector));
    EXPECT_EQ(found[1].size, 6000u);
  }
}

}  // namespace
}  // namespace salvonix::test
