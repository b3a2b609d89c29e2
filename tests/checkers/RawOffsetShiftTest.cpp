#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;

// Structures near 64 KiB edges of each file and previews off sector boundaries.
void putRawFiles(const TestImage& image, uint64_t base) {
  putCrw(image, base, {.trailer = kMiB + 65534, .previewSize = 2000, .previewStart = 70001});
  putCrw(image, base + 3 * kMiB,
         {.littleEndian = false, .trailer = 2 * kMiB + 20, .entries = 4, .previewSize = 2000, .previewStart = 70001});
  putMrw(image, base + 6 * kMiB, {.blocksBeforePrd = {65536 - 30}});
  putRaf(image, base + 7 * kMiB, {.previewOffset = 65536 - 7, .previewLength = 3000, .cfaLength = 200000});
  putX3f(image, base + 8 * kMiB, {.directory = 65534, .entries = 2, .entry0Length = 2500});
  putSigmaTiff(image, base + 9 * kMiB, SigmaTiffFile{});
}

// Every file found moves with the data by exactly the sectors put in front.
TEST(RawOffsetShift, FilesMoveWithTheirData) {
  const std::vector<std::string> expected = {
      "CRW Files/file1.crw 0+0 1114114",         "CRW Files/file2.crw 6144+0 2097176",
      "RAW Jpg Files/file - Raw Jpg1.jpg 136+369 2000", "RAW Jpg Files/file - Raw Jpg2.jpg 6280+369 2000",
      "RAW Jpg Files/file - Raw Jpg3.jpg 14463+505 3000", "RAW Jpg Files/file - Raw Jpg4.jpg 16384+260 2500",
      "MRW Files/file1.mrw 12288+0 9001520",     "RAF Files/file1.raf 14336+0 204512",
      "X3F Files/file1.x3f 16384+0 65574",       "X3F Files/file2.tif 18432+0 50622",
  };
  for (uint64_t shift : {0u, 1u, 127u, 128u, 129u, 1000u}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 10 * kMiB + shift * 512);
    putRawFiles(image, shift * 512);
    const auto found = scanImage(image.path(), {FileType::Mrw, FileType::Raf, FileType::X3f, FileType::Crw});
    EXPECT_EQ(describe(found, shift), expected) << shift;
  }
}

}  // namespace
}  // namespace salvonix::test
