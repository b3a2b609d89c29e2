#include <gtest/gtest.h>

#include <cstdlib>

#include "checkers/TiffFileCheck.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A plain TIFF: IFD0 of `entries` entries (at least 5), one strip of stripBytes.
TiffBuilder plainTiff(bool littleEndian, uint32_t entries, uint32_t stripBytes, uint16_t byteCountType = kLong) {
  TiffBuilder b(littleEndian);
  const uint32_t bits = b.appendShorts({8, 8, 8});
  std::vector<TiffEntry> list = {TiffBuilder::longValue(kImageWidth, 64),
                                 {0x0102, kShort, 3, bits},
                                 TiffBuilder::longValue(kStripOffsets, 0x1000),
                                 {kStripByteCounts, byteCountType, 1, stripBytes}};
  while (list.size() < entries) list.push_back(TiffBuilder::longValue(0x0116, 64));
  list.resize(entries);
  b.setIfd0(b.appendIfd(list));
  return b;
}

TEST(TiffFileCheck, PlainRuleSumsTheParts) {
  for (bool littleEndian : {true, false}) {
    TiffFixture f;
    f.place(plainTiff(littleEndian, 5, 3000), 2);
    // Header, directory, the three BitsPerSample values and the strip.
    EXPECT_EQ(f.size(FileType::Tiff, 2), 8u + (2 + 12 * 5 + 4) + 6 + 3000 + 512) << littleEndian;
    f.place(plainTiff(littleEndian, 5, 3000, kShort), 2);
    EXPECT_EQ(f.size(FileType::Tiff, 2), 8u + (2 + 12 * 5 + 4) + 6 + 3000 + 512) << littleEndian;
    // Four entries pass the header test but not the size rule.
    f.place(plainTiff(littleEndian, 4, 3000), 2);
    auto checker = f.checker(FileType::Tiff);
    EXPECT_TRUE(f.isFile(*checker, 2));
    EXPECT_EQ(f.size(*checker, 2), 0u);
  }
}

TEST(TiffFileCheck, PlainRuleSizeLimits) {
  TiffFixture f;
  const uint64_t base = 8 + 2 + 12 * 5 + 4;
  auto sized = [&](uint32_t stripBytes) {
    TiffBuilder b(true);
    std::vector<TiffEntry> list(4, TiffBuilder::longValue(kImageWidth, 1));
    list.push_back(TiffBuilder::longValue(kStripByteCounts, stripBytes));
    b.writeIfd(8, list);
    b.setIfd0(8);
    f.place(b, 0);
    return f.size(FileType::Tiff, 0);
  };
  EXPECT_EQ(sized(99 - base), 0u);
  EXPECT_EQ(sized(100 - base), 100u + 512);
  EXPECT_EQ(sized(0xC800000 - base), 0xC800000u + 512);
  EXPECT_EQ(sized(0xC800000 - base + 1), 0u);
}

TEST(TiffFileCheck, PlainRuleFollowsTheChainAndArrays) {
  auto chain = [](int ifds) {
    TiffBuilder b(false);
    uint32_t previous = b.appendIfd(std::vector<TiffEntry>(5, TiffBuilder::longValue(kImageWidth, 1)));
    b.setIfd0(previous);
    for (int i = 1; i < ifds; ++i) {
      const uint32_t next = b.appendIfd({TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kImageWidth, 1)});
      b.setNext(previous, next);
      previous = next;
    }
    return b;
  };
  TiffFixture f;
  f.place(chain(25), 0);
  EXPECT_EQ(f.size(FileType::Tiff, 0), 8u + 66 + 24 * 30 + 512);
  f.place(chain(26), 0);
  EXPECT_EQ(f.size(FileType::Tiff, 0), 0u);

  // Strips listed in arrays: the arrays count as data, the byte counts are summed.
  for (bool littleEndian : {true, false}) {
    TiffBuilder b(littleEndian);
    const uint32_t offsets = b.appendLongs({0x1000, 0x2000, 0x3000});
    const uint32_t counts = b.appendShorts({100, 200, 300});
    b.setIfd0(b.appendIfd({{kStripOffsets, kLong, 3, offsets},
                           {kStripByteCounts, kShort, 3, counts},
                           TiffBuilder::longValue(kImageWidth, 1),
                           TiffBuilder::longValue(kImageWidth, 1),
                           TiffBuilder::longValue(kImageWidth, 1)}));
    f.place(b, 40);
    EXPECT_EQ(f.size(FileType::Tiff, 40), 8u + 66 + 12 + 6 + 600 + 512) << littleEndian;
  }
}

// A camera TIFF: IFD0 at ifd0 with a Make, an Exif pointer and one strip; the
// strings and directories lie after IFD0.
struct CameraTiff {
  TiffBuilder file{true};
  uint32_t ifd0;
};

CameraTiff cameraTiff(const std::string& make, uint32_t ifd0, uint32_t jpegOffset) {
  CameraTiff c{TiffBuilder(true), ifd0};
  TiffBuilder& b = c.file;
  b.padTo(ifd0 + 2 + 12 * 5 + 4);
  const uint32_t makeAt = b.appendString(make);
  const uint32_t note = b.appendIfd({TiffBuilder::longValue(0x0081, jpegOffset)});
  const uint32_t exif = b.appendIfd({{0x927C, kUndefined, 18, note}});
  b.writeIfd(ifd0, {{kMake, kAscii, static_cast<uint32_t>(make.size() + 1), makeAt},
                    TiffBuilder::longValue(kImageWidth, 0),
                    TiffBuilder::longValue(kStripOffsets, 0x4000),
                    TiffBuilder::longValue(kStripByteCounts, 0x2000),
                    TiffBuilder::longValue(kExifIfd, exif)});
  b.setIfd0(ifd0);
  return c;
}

TEST(TiffFileCheck, CameraRuleAndCanonMakerNoteJpeg) {
  TiffFixture f;
  // Make string (6), strip end (0x4000 + 0x2000), Exif pointer's LONG (4): all "after IFD0".
  const uint64_t near = 8 + 6 + 0x6000 + 4;
  f.place(cameraTiff("Phase", 8, 0x8000).file, 0);
  EXPECT_EQ(f.size(FileType::Tiff, 0), near + 512);
  // IFD0 beyond the first sector adds its entries.
  f.place(cameraTiff("Phase", 600, 0x8000).file, 100);
  EXPECT_EQ(f.size(FileType::Tiff, 100), near + 12 * 5 + 512);

  // A Canon TIFF adds the JPEG its maker note points at, with 512 bytes of slack.
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x04, 0x00, 0x00};
  jpeg.resize(5000, 0x5A);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  CameraTiff canon = cameraTiff("Canon", 8, 0x8000);
  canon.file.putBytes(0x8000, jpeg);
  f.place(canon.file, 300);
  EXPECT_EQ(f.size(FileType::Tiff, 300), near + jpeg.size() + 512 + 512);
  auto checker = f.checker(FileType::Tiff);
  auto& tiff = static_cast<TiffFileCheck&>(*checker);
  const auto h = f.header(300);
  EXPECT_EQ(tiff.canonTiffJpgFileSize(SectorHeader(h.data(), 25), 300), jpeg.size() + 512);
  EXPECT_EQ(tiff.jpgFileSizeCalculation(300 * 512 + 0x8001), 0u);
}

TEST(TiffFileCheck, CameraRuleLastIfdArrays) {
  TiffFixture f;
  TiffBuilder b(false);
  const uint32_t make = b.appendString("Phase");
  const uint32_t offsets = b.appendLongs({0x1000, 0x9000});
  const uint32_t counts = b.appendLongs({0x100, 0x300});
  const uint32_t ifd0 = b.appendIfd({{kMake, kAscii, 6, make},
                                     {kStripOffsets, kLong, 2, offsets},
                                     {kStripByteCounts, kLong, 2, counts},
                                     TiffBuilder::longValue(kImageWidth, 1),
                                     TiffBuilder::longValue(kImageWidth, 1)});
  b.setIfd0(ifd0);
  f.place(b, 0);
  // Both arrays (8 bytes each) plus the end of the last strip.
  EXPECT_EQ(f.size(FileType::Tiff, 0), 8u + 8 + 8 + 0x9000 + 0x300 + 512);
}

TEST(TiffFileCheck, Cr2IsNeverATiff) {
  TiffFixture f;
  CameraTiff canon = cameraTiff("Canon", 16, 0x8000);
  canon.file.putBytes(8, {'C', 'R', 2, 0});
  f.place(canon.file, 0);
  EXPECT_EQ(f.size(FileType::Tiff, 0), 0u);
}

// ImageMagick's TIFFs: found by a scan in both byte orders, sized exactly with the slack.
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
    const std::string command =
        "convert -size 64x64 xc:red -define tiff:endian=" + std::string(endian[i]) + " " + tiff;
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
