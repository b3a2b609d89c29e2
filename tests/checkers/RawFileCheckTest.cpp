// The raw files of their own layout: Canon CRW, Minolta MRW and Fuji RAF.

#include <gtest/gtest.h>

#include <vector>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kNotFoundSize = 15728640;

TEST(RawFileCheck, NeedsTheWholeSignature) {
  TempDir dir;
  TestImage image(dir.file("card.img"), kMiB);
  image.putAtSector(1, {'I', 'M', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  image.putAtSector(2, {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'X'});
  image.putAtSector(3, {0, 'M', 'R', 'N'});
  image.putAtSector(4, {1, 'M', 'R', 'M'});
  putRaf(image, 5 * 512, RafFile{});
  image.put(5 * 512 + 14, {'X'});
  for (const auto& [type, sector] :
       {std::pair{FileType::Crw, 1}, {FileType::Crw, 2}, {FileType::Mrw, 3}, {FileType::Mrw, 4}, {FileType::Raf, 5}})
    EXPECT_FALSE(CheckerRun(image.path(), type).isFile(sector)) << sector;
}

TEST(CrwFileCheck, SizeFollowsTheClassifiersFlags) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 24 * kMiB);
  putCrw(image, 0, CrwFile{});
  CheckerRun run(image.path(), FileType::Crw);
  // With a TIFF-based type selected, the classifier has found the CRW and its byte order.
  run.context.rawSelection.bTiffSelected = true;
  run.context.tiff.bCanonCrwFileFound = true;
  run.context.tiff.bLittleEndianFile = true;
  const uint8_t header[kSectorHeaderSize] = {'I', 'I'};
  const SectorHeader view(header, kSectorHeaderSize);
  ASSERT_TRUE(run.checker->isFile(view, 0));
  EXPECT_EQ(run.checker->fileSizeCalculation(view, 0), 3000004u);
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
