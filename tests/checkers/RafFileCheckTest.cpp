#include <gtest/gtest.h>

#include <cstring>

#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

struct Raf {
  uint32_t previewOffset = 148;
  uint32_t previewLength = 2000;
  uint32_t cfaOffset = 4000;
  uint32_t cfaLength = 6000000;
  uint32_t secondLength = 0;
};

Bytes rafHeader(const Raf& raf) {
  Bytes header(148, 0);
  std::memcpy(header.data(), "FUJIFILMCCD-RAW 0201FF393101", 28);
  putBE32(header, 84, raf.previewOffset);
  putBE32(header, 88, raf.previewLength);
  putBE32(header, 100, raf.cfaOffset);
  putBE32(header, 104, raf.cfaLength);
  putBE32(header, 132, raf.secondLength);
  return header;
}

struct Measured {
  uint64_t size;
  bool preview;
  uint64_t previewSector;
  uint32_t previewExtra;
  uint64_t previewSize;
};

Measured measure(const Raf& raf, uint64_t sector = 0) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 1048576);
  image.putAtSector(sector, rafHeader(raf));
  CheckerRun run(image.path(), FileType::Raf);
  const uint64_t size = run.size(sector);
  return {size, run.context.bRawJpgFileFound, run.context.u64RawJpgFileSectorNumber,
          run.context.uExtraBytesOfJpgFileOffset, run.context.u64RawJpgFileSize};
}

TEST(RafFileCheck, RecognisesItsSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 65536);
  image.putAtSector(0, rafHeader(Raf{}));
  Bytes wrong = rafHeader(Raf{});
  wrong[14] = 'X';
  image.putAtSector(1, wrong);
  CheckerRun run(image.path(), FileType::Raf);
  EXPECT_TRUE(run.isFile(0));
  EXPECT_FALSE(run.isFile(1));
  EXPECT_TRUE(run.checker->mayStartWith('F'));
  EXPECT_FALSE(run.checker->mayStartWith('G'));
  EXPECT_EQ(run.checker->firstByteOfHeader(), 0x46u);
}

TEST(RafFileCheck, SizesTheRawDataAndItsSecondCopy) {
  Raf raf;
  EXPECT_EQ(measure(raf).size, 6004512u);
  raf.secondLength = raf.cfaLength;
  EXPECT_EQ(measure(raf).size, 12004512u);
  raf.secondLength = raf.cfaLength + 1;
  EXPECT_EQ(measure(raf).size, 6004512u);
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
    Raf raf;
    raf.cfaOffset = c.cfaOffset;
    raf.cfaLength = c.cfaLength;
    EXPECT_EQ(measure(raf).size, c.size) << c.cfaOffset << " " << c.cfaLength;
  }
}

TEST(RafFileCheck, ReportsPreviewsLongerThan1024Bytes) {
  Raf raf;
  raf.previewOffset = 100000;
  raf.previewLength = 1024;
  EXPECT_FALSE(measure(raf, 7).preview);
  raf.previewLength = 1025;
  const Measured m = measure(raf, 7);
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
    Raf raf;
    raf.previewOffset = 65536 - 597;
    raf.previewLength = 6000;
    raf.cfaLength = 100000;
    image.putAtSector(sector, rafHeader(raf), bytesPerSector);
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
