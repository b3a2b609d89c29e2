#include <gtest/gtest.h>

#include <cstdlib>

#include "checkers/TiffFixture.h"
#include "checkers/TiffVariants.h"

namespace salvonix::test {
namespace {

TEST(TiffFileCheck, PlainRuleSumsTheParts) {
  // IFD0 of n entries: BitsPerSample's three SHORTs out of line, one strip.
  auto plain = [](bool littleEndian, std::size_t n, uint16_t countType) {
    TiffBuilder b(littleEndian);
    const uint32_t bits = b.appendArray({8, 8, 8}, 2);
    const TiffEntry counts = {kStripByteCounts, countType, 1, 3000};
    b.chain({filled({{0x0102, kShort, 3, bits}, longValue(kStripOffsets, 0x1000), counts}, n)});
    return b;
  };
  for (bool littleEndian : {true, false}) {
    TiffFixture f;
    for (uint16_t countType : {kLong, kShort}) {
      f.place(plain(littleEndian, 5, countType), 2);
      EXPECT_EQ(f.size(FileType::Tiff, 2), 8u + (2 + 12 * 5 + 4) + 6 + 3000 + 512) << littleEndian;
    }
    // Four entries pass the header test but not the size rule.
    f.place(plain(littleEndian, 4, kLong), 2);
    EXPECT_TRUE(f.classify(tiff::kTiffVariant, 2));
    EXPECT_EQ(f.size(FileType::Tiff, 2), 0u);
  }
}

TEST(TiffFileCheck, PlainRuleLimits) {
  TiffFixture f;
  const uint32_t base = 8 + 2 + 12 * 5 + 4;
  for (uint32_t total : {99u, 100u, 0xC800000u, 0xC800001u}) {
    TiffBuilder b;
    b.chain({filled({longValue(kStripByteCounts, total - base)}, 5)});
    f.place(b);
    EXPECT_EQ(f.size(FileType::Tiff), total >= 100 && total <= 0xC800000 ? total + 512 : 0) << total;
  }
  // A chain of 25 IFDs is followed; a 26th makes the size 0.
  for (int ifds : {25, 26}) {
    TiffBuilder b(false);
    std::vector<Ifd> chain(ifds, Ifd(2, longValue(kImageWidth, 1)));
    chain[0] = Ifd(5, longValue(kImageWidth, 1));
    b.chain(chain);
    f.place(b);
    EXPECT_EQ(f.size(FileType::Tiff), ifds == 25 ? 8u + 66 + 24 * 30 + 512 : 0);
  }
  // Strips listed in arrays: the arrays count as data, the byte counts are summed.
  for (bool littleEndian : {true, false}) {
    TiffBuilder b(littleEndian);
    const uint32_t offsets = b.appendArray({0x1000, 0x2000, 0x3000});
    const uint32_t counts = b.appendArray({100, 200, 300}, 2);
    b.chain({filled({{kStripOffsets, kLong, 3, offsets}, {kStripByteCounts, kShort, 3, counts}}, 5)});
    f.place(b, 40);
    EXPECT_EQ(f.size(FileType::Tiff, 40), 8u + 66 + 12 + 6 + 600 + 512) << littleEndian;
  }
}

// A camera TIFF: IFD0 at ifd0 with a Make, one strip and an Exif IFD whose
// maker note holds tag 0x0081 (a JPEG offset).
TiffBuilder cameraTiff(const std::string& make, uint32_t ifd0) {
  TiffBuilder b;
  b.padTo(ifd0 + 2 + 12 * 5 + 4);
  const TiffEntry makeEntry = b.string(kMake, make);
  const uint32_t note = b.appendIfd({longValue(0x0081, 0x8000)});
  const uint32_t exif = b.appendIfd({{0x927C, kUndefined, 18, note}});
  b.writeIfd(ifd0, {makeEntry, longValue(kImageWidth, 0), longValue(kStripOffsets, 0x4000),
                    longValue(kStripByteCounts, 0x2000), longValue(0x8769, exif)});
  b.setIfd0(ifd0);
  return b;
}

TEST(TiffFileCheck, CameraRule) {
  TiffFixture f;
  // Make string (6), strip end (0x6000), Exif pointer's LONG (4): all after IFD0.
  const uint64_t near = 8 + 6 + 0x6000 + 4;
  f.place(cameraTiff("Phase", 8));
  EXPECT_EQ(f.size(FileType::Tiff), near + 512);
  // IFD0 beyond the first sector adds its entries.
  f.place(cameraTiff("Phase", 600), 100);
  EXPECT_EQ(f.size(FileType::Tiff, 100), near + 12 * 5 + 512);
  // A Canon TIFF adds the JPEG its maker note points at, with 512 bytes of slack.
  TiffBuilder canon = cameraTiff("Canon", 8);
  const Bytes jpeg = previewJpeg(5016);
  canon.putBytes(0x8000, jpeg);
  f.place(canon, 300);
  EXPECT_EQ(f.size(FileType::Tiff, 300), near + jpeg.size() + 512 + 512);
  // "CR" at bytes 8-9 with Make "Canon" is never a TIFF.
  canon = cameraTiff("Canon", 16);
  canon.putBytes(8, {'C', 'R', 2, 0});
  f.place(canon);
  EXPECT_EQ(f.size(FileType::Tiff), 0u);

  // Strips as arrays: both arrays plus the end of the last strip.
  TiffBuilder b(false);
  b.chain({filled({b.string(kMake, "Phase"), b.longArray(kStripOffsets, {0x1000, 0x9000}),
                   b.longArray(kStripByteCounts, {0x100, 0x300})}, 5)});
  f.place(b);
  EXPECT_EQ(f.size(FileType::Tiff), 8u + 8 + 8 + 0x9000 + 0x300 + 512);
}

TEST(TiffFileCheck, ImageMagickTiffsAreFoundEndToEnd) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick convert not installed";
  TempDir dir;
  const std::string image = dir.file("disk.img");
  TestImage disk(image, 4 << 20);
  const uint64_t sectors[] = {100, 2000};
  const char* endian[] = {"lsb", "msb"};
  std::vector<uint64_t> sizes;
  for (int i = 0; i < 2; ++i) {
    const std::string tiff = dir.file(std::string("t") + endian[i] + ".tiff");
    const std::string command = "convert -size 64x64 xc:red -define tiff:endian=" + std::string(endian[i]) + " " + tiff;
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Bytes bytes = readFile(tiff);
    ASSERT_EQ(bytes[0], i == 0 ? 'I' : 'M');
    disk.putAtSector(sectors[i], bytes);
    sizes.push_back(bytes.size() + 512);
  }
  for (auto types : {std::initializer_list<FileType>{FileType::Tiff},
                     std::initializer_list<FileType>{FileType::Arw, FileType::Tiff, FileType::Jpg}}) {
    const auto found = scanImage(image, types);
    ASSERT_EQ(found.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(found[i].folder, "TIFF Files");
      EXPECT_EQ(found[i].sector, sectors[i]);
      EXPECT_EQ(found[i].size, sizes[i]);
    }
  }
}

}  // namespace
}  // namespace salvonix::test
