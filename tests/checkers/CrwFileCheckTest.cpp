#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kNotFoundSize = 15728640;
constexpr uint64_t kMiB = 1048576;

uint64_t sizeOf(const CrwFile& crw, uint64_t imageSize = 24 * kMiB) {
  TempDir dir;
  TestImage image(dir.file("card.img"), imageSize);
  putCrw(image, 0, crw);
  return measure(image.path(), FileType::Crw, 0).size;
}

TEST(CrwFileCheck, RecognisesTheSignatureInBothByteOrders) {
  TempDir dir;
  TestImage image(dir.file("card.img"), kMiB);
  image.putAtSector(0, {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  image.putAtSector(1, {'M', 'M', 0, 0, 0, 26, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  image.putAtSector(2, {'I', 'M', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  image.putAtSector(3, {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'X'});

  CheckerRun run(image.path(), FileType::Crw);
  EXPECT_TRUE(run.isFile(0));
  EXPECT_TRUE(run.context.tiff.bLittleEndianFile);
  EXPECT_FALSE(run.context.tiff.bBigEndianFile);
  EXPECT_TRUE(run.isFile(1));
  EXPECT_TRUE(run.context.tiff.bBigEndianFile);
  EXPECT_FALSE(run.context.tiff.bLittleEndianFile);
  EXPECT_FALSE(run.isFile(2));
  EXPECT_FALSE(run.isFile(3));

  EXPECT_TRUE(run.checker->mayStartWith('I'));
  EXPECT_TRUE(run.checker->mayStartWith('M'));
  EXPECT_FALSE(run.checker->mayStartWith('H'));
  EXPECT_FALSE(run.checker->mayStartWith(0));
}

TEST(CrwFileCheck, TakesTheTiffClassifiersFinding) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 24 * kMiB);
  CrwFile crw;
  putCrw(image, 0, crw);
  CheckerRun run(image.path(), FileType::Crw);
  // A classifier of the TIFF-based checkers recognised the signature and set the byte order.
  run.context.rawSelection.bTiffSelected = true;
  run.context.tiff.bCanonCrwFileFound = true;
  run.context.tiff.bLittleEndianFile = true;
  const uint8_t header[kSectorHeaderSize] = {'I', 'I'};
  const SectorHeader view(header, kSectorHeaderSize);
  ASSERT_TRUE(run.checker->isFile(view, 0));
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 3000004u);
  // With no byte order there is nothing to size.
  run.context.tiff = {};
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 0u);
}

TEST(CrwFileCheck, FindsTheTrailerThroughEachTableLength) {
  for (bool little : {true, false}) {
    for (int entries : {2, 3, 4}) {
      CrwFile crw;
      crw.littleEndian = little;
      crw.entries = entries;
      crw.headerLength = little ? 26 : 1234;
      EXPECT_EQ(sizeOf(crw), 3000004u) << little << " " << entries;
    }
  }
}

TEST(CrwFileCheck, SearchesFromOneOrTwoMebibytesUpToTwentyMebibytes) {
  struct Case {
    bool little;
    uint64_t trailer;
    uint64_t size;
  };
  const Case cases[] = {
      {true, kMiB - 1, kNotFoundSize},      {true, kMiB, kMiB + 4},
      {false, 2 * kMiB - 1, kNotFoundSize}, {false, 2 * kMiB, 2 * kMiB + 4},
      {true, 20 * kMiB - 1, 20 * kMiB + 3}, {true, 20 * kMiB, kNotFoundSize},
      {false, 20 * kMiB - 1, 20 * kMiB + 3}, {false, 20 * kMiB, kNotFoundSize},
  };
  for (const Case& c : cases) {
    CrwFile crw;
    crw.littleEndian = c.little;
    crw.trailer = c.trailer;
    crw.previewStart = 512 * kMiB / 1024;
    EXPECT_EQ(sizeOf(crw), c.size) << c.little << " " << c.trailer;
  }
}

TEST(CrwFileCheck, FindsTrailerAndTableAcrossWindowEdges) {
  // A trailer straddling the end of a 64 KiB window, one just after the
  // start of a window whose table lies in the window before, and one in the
  // last bytes of the search.
  for (bool little : {true, false}) {
    const uint64_t start = little ? kMiB : 2 * kMiB;
    for (uint64_t trailer : {start + 65534, start + 65536 + 10, start + 3 * 65536 - 1}) {
      for (uint32_t bytesPerSector : {512u, 4096u}) {
        TempDir dir;
        TestImage image(dir.file("card.img"), 24 * kMiB);
        CrwFile crw;
        crw.littleEndian = little;
        crw.entries = 4;
        crw.trailer = trailer;
        crw.previewStart = 4096 + 7;
        crw.previewSize = 5000;
        putCrw(image, 0, crw);
        const Measured m = measure(image.path(), FileType::Crw, 0, bytesPerSector);
        EXPECT_EQ(m.size, trailer + 4) << little << " " << trailer;
        EXPECT_TRUE(m.preview) << little << " " << trailer;
        EXPECT_EQ(m.previewSize, 5000u);
        EXPECT_EQ(m.previewSector * bytesPerSector + m.previewExtra, 4096u + 7);
      }
    }
  }
}

TEST(CrwFileCheck, ReportsThePreviewWithinItsLimits) {
  struct Case {
    uint32_t tag;
    uint32_t size;
    Bytes start;
    bool reported;
  };
  const Case cases[] = {
      {0x2007, 300000, {0xFF, 0xD8}, true},   {0x2007, 100, {0xFF, 0xD8}, true},
      {0x2007, 4194304, {0xFF, 0xD8}, true},  {0x2007, 99, {0xFF, 0xD8}, false},
      {0x2007, 4194305, {0xFF, 0xD8}, false}, {0x2007, 300000, {0xFF, 0xD9}, false},
      {0x2008, 300000, {0xFF, 0xD8}, false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 24 * kMiB);
    CrwFile crw;
    crw.entry1Tag = c.tag;
    crw.previewSize = c.size;
    crw.previewStart = 5000;
    crw.preview = c.start;
    putCrw(image, 512 * 3, crw);
    const Measured m = measure(image.path(), FileType::Crw, 3);
    EXPECT_EQ(m.size, 3000004u) << c.size;
    EXPECT_EQ(m.preview, c.reported) << c.tag << " " << c.size;
    if (c.reported) {
      EXPECT_EQ(m.previewSize, c.size);
      EXPECT_EQ(m.previewSector, 3u + 5000 / 512);
      EXPECT_EQ(m.previewExtra, 5000u % 512);
    }
  }
}

TEST(CrwFileCheck, PreviewBoundIsMeasuredInsideTheFile) {
  // A preview must start within the first 20 MiB of the file.
  for (uint64_t previewStart : {20 * kMiB - 2, 20 * kMiB}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 24 * kMiB);
    CrwFile crw;
    crw.trailer = 20 * kMiB - 100;
    crw.previewStart = previewStart;
    putCrw(image, 0, crw);
    EXPECT_EQ(measure(image.path(), FileType::Crw, 0).preview, previewStart < 20 * kMiB) << previewStart;
  }

  // The same file near the start of a large card and beyond its 20,971,519th
  // sector (10 GiB in) has the same size and preview.
  TempDir dir;
  const uint64_t farSector = 20971519 + 1000;
  TestImage image(dir.file("card.img"), (farSector + 8 * 1024 * 1024 / 512) * 512 + 24 * kMiB);
  CrwFile crw;
  crw.previewStart = 3 * kMiB + 100;
  putCrw(image, 512 * 8, crw);
  putCrw(image, 512 * farSector, crw);
  const Measured nearStart = measure(image.path(), FileType::Crw, 8);
  const Measured far = measure(image.path(), FileType::Crw, farSector);
  EXPECT_EQ(nearStart.size, 3000004u);
  EXPECT_EQ(far.size, nearStart.size);
  EXPECT_TRUE(nearStart.preview);
  EXPECT_TRUE(far.preview);
  EXPECT_EQ(far.previewSize, nearStart.previewSize);
  EXPECT_EQ(far.previewSector - farSector, nearStart.previewSector - 8);
  EXPECT_EQ(far.previewExtra, nearStart.previewExtra);
}

TEST(CrwFileCheck, CancellationStopsTheLittleEndianSearch) {
  for (bool little : {true, false}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 24 * kMiB);
    CrwFile crw;
    crw.littleEndian = little;
    putCrw(image, 0, crw);
    CheckerRun run(image.path(), FileType::Crw);
    run.context.bCancelScanning = true;
    EXPECT_EQ(run.size(0), little ? 0u : 3000004u) << little;
  }
}

TEST(CrwFileCheck, ScanRecordsTheFileAndItsPreview) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 8 * kMiB);
    CrwFile crw;
    crw.trailer = kMiB + 4000;
    crw.previewStart = 100000 + 3;
    crw.previewSize = 2000;
    crw.preview = sampleJpeg(2000, 1);
    putCrw(image, bytesPerSector * 16, crw);
    const auto found = scanImage(image.path(), {FileType::Crw, FileType::Jpg, FileType::Tiff}, bytesPerSector);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].folder, "CRW Files");
    EXPECT_EQ(found[0].name, "file1.crw");
    EXPECT_EQ(found[0].sector, 16u);
    EXPECT_EQ(found[0].size, kMiB + 4004);
    EXPECT_EQ(found[1].folder, "RAW Jpg Files");
    EXPECT_EQ(found[1].name, "file - Raw Jpg1.jpg");
    EXPECT_EQ(found[1].sector, 16u + 100003 / bytesPerSector);
    EXPECT_EQ(found[1].extraBytesToMove, static_cast<int32_t>(100003 % bytesPerSector));
    EXPECT_EQ(found[1].size, 2000u);
  }
}

}  // namespace
}  // namespace salvonix::test
