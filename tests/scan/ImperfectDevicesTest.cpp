// Devices that are not whole: unreadable sectors met by the checkers' walks,
// and a last sector that is only partly there.

#include <gtest/gtest.h>

#include <filesystem>

#include "checkers/JpegBuilder.h"
#include "output/RecoveredFileSaver.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

TEST(UnreadableSectors, RangesStaySortedAndMerged) {
  UnreadableSectors record;
  for (uint64_t sector : {12, 10, 11, 50}) record.add(sector);
  record.add(100, 5);
  record.add(103, 4);
  record.add(7, 0);
  EXPECT_EQ(record.ranges(), (std::vector<SectorRange>{{10, 3}, {50, 1}, {100, 7}}));
  EXPECT_EQ(record.sectorCount(), 11u);
  EXPECT_EQ(record.countIn(11, 95), 9u);
  EXPECT_TRUE(record.contains(106));
  EXPECT_FALSE(record.contains(107));
  record.add(13, 37);  // bridges two ranges
  EXPECT_EQ(record.ranges(), (std::vector<SectorRange>{{10, 41}, {100, 7}}));
}

// JPEGs whose walk reads past a bad sector, holds one, starts on one, or
// follows a wholly unreadable window.
TEST(UnreadableSectors, CheckersWalkOnAsPastTheEndOfData) {
  test::TempDir dir;
  const uint64_t starts[] = {100, 400, 1000, 2000};
  Bytes content(2u << 20, 0);
  std::vector<uint64_t> sizes;
  for (uint32_t i = 0; i < 4; ++i) {
    const Bytes jpeg = test::buildJpeg({.entropyBytes = 20000 + 5000 * i, .seed = i + 1});
    std::copy(jpeg.begin(), jpeg.end(), content.begin() + static_cast<long>(starts[i] * 512));
    sizes.push_back(test::jpegSize(jpeg));
  }
  test::TestImage image(dir.file("card.img"), content.size());
  image.put(0, content);
  test::ScanRun scan(image.path(), {FileType::Jpg});
  auto device = test::useTestDevice(scan.context, image.path());
  for (uint64_t bad : {200, 420, 1000}) device->failBetween(bad * 512, bad * 512 + 1);
  device->failBetween(1536 * 512, 1664 * 512);
  scan.run();

  EXPECT_EQ(scan.context.unreadableSectors.ranges(),
            (std::vector<SectorRange>{{200, 1}, {420, 1}, {1000, 1}, {1536, 128}}));
  EXPECT_EQ(scan.observer.alerts.size(), 1u);
  const auto found = scan.found();
  ASSERT_EQ(found.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t planted = i < 2 ? i : 3;  // the one starting on a bad sector is lost
    EXPECT_EQ(found[i].sector, starts[planted]);
    EXPECT_EQ(found[i].size, sizes[planted]);
  }

}

// A BMP in the last, partial sector of an image, and one in an image smaller
// than a sector: both found, both saved without reading past the end.
TEST(PartialLastSector, IsScannedZeroPaddedAndSavedWithoutReadingPastTheEnd) {
  test::TempDir dir;
  const Bytes bmp = test::bmpFile(60, 3);
  for (const uint64_t imageBytes : {3 * 512 + 100, 60}) {
    SCOPED_TRACE(imageBytes);
    const uint64_t start = imageBytes > 512 ? 3 * 512 : 0;
    const std::string path = dir.file("card" + std::to_string(imageBytes) + ".img");
    test::TestImage image(path, imageBytes);
    image.put(start, bmp);
    test::ScanRun scan(path, {FileType::Bmp});
    auto device = test::useTestDevice(scan.context, path);
    scan.run();
    const auto found = scan.found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].sector, start / 512);
    EXPECT_EQ(found[0].size, 60u);
    const std::size_t readsOfTheScan = device->reads().size();
    const std::string out = dir.file("out" + std::to_string(imageBytes));
    CheckController(scan.engine.dirRoot().get(), 1, scan.context.u64SelectedFileSize).run();
    std::filesystem::create_directory(out);
    EXPECT_TRUE(RecoveredFileSaver(scan.context, scan.observer).save(*scan.engine.dirRoot(), out).succeeded());
    EXPECT_EQ(test::readFile(out + "/ROOT/BMP Files/file1.bmp"), bmp);
    const auto reads = device->reads();
    for (std::size_t i = readsOfTheScan; i < reads.size(); ++i) EXPECT_LE(reads[i].first + reads[i].second, imageBytes);
  }
}

}  // namespace
}  // namespace salvonix
