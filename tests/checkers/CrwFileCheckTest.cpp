#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kNotFoundSize = 15728640;
constexpr uint64_t kMiB = 1048576;

TEST(CrwFileCheck, HeaderTestAndTheFlagsTheSizeFollows) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 24 * kMiB);
  putCrw(image, 0, CrwFile{});
  image.put(512, {'I', 'M', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  image.put(1024, {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'X'});
  CheckerRun run(image.path(), FileType::Crw);
  EXPECT_FALSE(run.isFile(1));
  EXPECT_FALSE(run.isFile(2));

  // With a TIFF-based type selected, the classifier has found the CRW and its byte order.
  run.context.rawSelection.bTiffSelected = true;
  run.context.tiff.bCanonCrwFileFound = true;
  run.context.tiff.bLittleEndianFile = true;
  const uint8_t header[kSectorHeaderSize] = {'I', 'I'};
  const SectorHeader view(header, kSectorHeaderSize);
  ASSERT_TRUE(run.checker->isFile(view, 0));
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 3000004u);
  run.context.bCancelScanning = true;
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 0u) << "cancelled";
  run.context.bCancelScanning = false;
  run.context.tiff = {};
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 0u) << "no byte order";
}

TEST(CrwFileCheck, FindsTheTrailerWithinItsSearchRange) {
  for (bool little : {true, false}) {
    for (int entries : {2, 3, 4}) {
      const CrwFile crw{.littleEndian = little, .headerLength = little ? 26u : 1234u, .entries = entries};
      EXPECT_EQ(measure(putCrw, crw).size, 3000004u) << little << " " << entries;
    }
  }
  struct Case {
    bool little;
    uint64_t trailer, size;
  };
  for (const Case& c : {Case{true, kMiB - 1, kNotFoundSize}, Case{true, kMiB, kMiB + 4},
                        Case{false, 2 * kMiB - 1, kNotFoundSize}, Case{false, 2 * kMiB, 2 * kMiB + 4},
                        Case{true, 20 * kMiB - 1, 20 * kMiB + 3}, Case{true, 20 * kMiB, kNotFoundSize},
                        Case{false, 20 * kMiB - 1, 20 * kMiB + 3}, Case{false, 20 * kMiB, kNotFoundSize}}) {
    const CrwFile crw{.littleEndian = c.little, .trailer = c.trailer, .previewStart = 512 * 1024};
    EXPECT_EQ(measure(putCrw, crw).size, c.size) << c.little << " " << c.trailer;
  }
}

TEST(CrwFileCheck, FindsTrailerAndTableAcrossWindowEdges) {
  // Straddling a window's end, just after a window start with the table in
  // the window before, and in the last bytes of the search's third window.
  for (bool little : {true, false}) {
    const uint64_t start = little ? kMiB : 2 * kMiB;
    for (uint64_t trailer : {start + 65534, start + 65536 + 10, start + 3 * 65536 - 1}) {
      for (uint32_t bytesPerSector : {512u, 4096u}) {
        const CrwFile crw{
            .littleEndian = little, .trailer = trailer, .entries = 4, .previewSize = 5000, .previewStart = 4103};
        const Measured m = measure(putCrw, crw, 0, bytesPerSector);
        EXPECT_EQ(m.size, trailer + 4) << little << " " << trailer;
        EXPECT_TRUE(m.preview) << little << " " << trailer;
        EXPECT_EQ(m.previewSize, 5000u);
        EXPECT_EQ(m.previewSector * bytesPerSector + m.previewExtra, 4103u);
      }
    }
  }
}

TEST(CrwFileCheck, ReportsThePreviewWithinItsLimits) {
  struct Case {
    uint32_t tag, size;
    Bytes start;
    bool reported;
  };
  for (const Case& c : {Case{0x2007, 100, {0xFF, 0xD8}, true}, Case{0x2007, 4194304, {0xFF, 0xD8}, true},
                        Case{0x2007, 99, {0xFF, 0xD8}, false}, Case{0x2007, 4194305, {0xFF, 0xD8}, false},
                        Case{0x2007, 300000, {0xFF, 0xD9}, false}, Case{0x2008, 300000, {0xFF, 0xD8}, false}}) {
    const Measured m =
        measure(putCrw, {.entry1Tag = c.tag, .previewSize = c.size, .previewStart = 5000, .preview = c.start});
    EXPECT_EQ(m.size, 3000004u) << c.size;
    EXPECT_EQ(m.preview, c.reported) << c.tag << " " << c.size;
    if (c.reported) {
      EXPECT_EQ(m.previewSize, c.size);
    }
  }
}

TEST(CrwFileCheck, PreviewBoundIsMeasuredInsideTheFile) {
  EXPECT_TRUE(measure(putCrw, {.trailer = 20 * kMiB - 100, .previewStart = 20 * kMiB - 2}).preview);
  EXPECT_FALSE(measure(putCrw, {.trailer = 20 * kMiB - 100, .previewStart = 20 * kMiB}).preview);

  // A file beyond the card's 20,971,519th sector keeps its preview.
  TempDir dir;
  const uint64_t farSector = 20971519 + 1000;
  TestImage image(dir.file("card.img"), farSector * 512 + 32 * kMiB);
  putCrw(image, 512 * farSector, {.previewStart = 3 * kMiB + 100});
  const Measured far = measure(image.path(), FileType::Crw, farSector);
  EXPECT_EQ(far.size, 3000004u);
  EXPECT_TRUE(far.preview);
  EXPECT_EQ(far.previewSector, farSector + 3 * kMiB / 512);
  EXPECT_EQ(far.previewExtra, 100u);
}

}  // namespace
}  // namespace salvonix::test
