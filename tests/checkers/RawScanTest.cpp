// Scans of images holding CRW, CR2, MRW, RAF and X3F files: each file found
// where it lies with its size, and its preview saved as the JPEG it is.

#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "checkers/ScanAndSave.h"
#include "checkers/TiffFixture.h"
#include "support/SampleJpeg.h"

namespace salvonix::test {
namespace {

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

// Previews of CRW, CR2, RAF and X3F files, each starting inside a sector, are
// listed and saved as exactly the JPEGs they are.
TEST(RawPreviewSave, PreviewsAreSavedAsTheJpegsTheyAre) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB);
  const Bytes crwPreview = sampleJpeg(3000, 11), cr2Preview = previewJpeg(20000);
  const Bytes rafPreview = sampleJpeg(4000, 12), x3fPreview = sampleJpeg(5000, 13);
  putCrw(image, 0, {.trailer = kMiB + 4000, .previewSize = 3000, .previewStart = 100003, .preview = crwPreview});
  TiffBuilder cr2;
  cr2.putBytes(8, {'C', 'R', 2, 0});
  cr2.chain({Ifd{cr2.string(kMake, "Canon")} + strip(0x2345, 20000), strip(0x8000, 0x4000)});
  cr2.putBytes(0x2345, cr2Preview);
  image.put(kMiB + kMiB / 2, cr2.bytes());
  putRaf(image, 2 * kMiB, {.previewOffset = 5001, .previewLength = 4000, .cfaOffset = 20000, .cfaLength = 30000});
  image.put(2 * kMiB + 5001, rafPreview);
  putX3f(image, 3 * kMiB, {.directory = 20000, .entries = 1, .entry0Length = 5000});
  image.put(3 * kMiB + 260, x3fPreview);

  const SavedScan scan =
      scanAndSave(image.path(), {FileType::Raf, FileType::X3f, FileType::Cr2, FileType::Crw}, dir.file("out"));
  EXPECT_TRUE(scan.alerts.empty());
  std::vector<std::string> names;
  for (const FoundFile& file : scan.found) names.push_back(file.folder + "/" + file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"CRW Files/file1.crw", "RAW Jpg Files/file - Raw Jpg1.jpg",
                                             "RAW Jpg Files/file - Raw Jpg2.jpg", "RAW Jpg Files/file - Raw Jpg3.jpg",
                                             "RAW Jpg Files/file - Raw Jpg4.jpg", "CR2 Files/file1.cr2",
                                             "RAF Files/file1.raf", "X3F Files/file1.x3f"}));
  const Bytes* expected[] = {&crwPreview, &cr2Preview, &rafPreview, &x3fPreview};
  for (int i = 0; i < 4; ++i) {
    const FoundFile& file = scan.found[1 + i];
    const Bytes& saved = scan.saved.at(file.folder + "/" + file.name);
    EXPECT_EQ(saved.size(), file.size) << file.name;
    EXPECT_EQ(saved, *expected[i]) << file.name;
  }
}

}  // namespace
}  // namespace salvonix::test
