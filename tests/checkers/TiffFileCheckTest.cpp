#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"
#include "checkers/TiffVariants.h"

namespace salvonix::test {
namespace {

// IFD0 of n entries: BitsPerSample's three SHORTs out of line, one strip.
TiffBuilder plain(bool littleEndian, std::size_t n, uint16_t countType = kLong) {
  TiffBuilder b(littleEndian);
  const uint32_t bits = b.appendArray({8, 8, 8}, 2);
  const TiffEntry counts = {kStripByteCounts, countType, 1, 3000};
  b.chain({filled({{0x0102, kShort, 3, bits}, longValue(kStripOffsets, 0x1000), counts}, n)});
  return b;
}

// IFD0 of five entries and a strip: `total` bytes in all.
TiffBuilder plainOfTotal(uint32_t total) {
  TiffBuilder b;
  b.chain({filled({longValue(kStripByteCounts, total - (8 + 2 + 12 * 5 + 4))}, 5)});
  return b;
}

TiffBuilder chainOf(int ifds) {
  TiffBuilder b(false);
  std::vector<Ifd> chain(ifds, Ifd(2, longValue(kImageWidth, 1)));
  chain[0] = Ifd(5, longValue(kImageWidth, 1));
  b.chain(chain);
  return b;
}

TiffBuilder stripArrays(bool littleEndian) {
  TiffBuilder b(littleEndian);
  const uint32_t offsets = b.appendArray({0x1000, 0x2000, 0x3000});
  const uint32_t counts = b.appendArray({100, 200, 300}, 2);
  b.chain({filled({{kStripOffsets, kLong, 3, offsets}, {kStripByteCounts, kShort, 3, counts}}, 5)});
  return b;
}

// A camera TIFF: IFD0 at ifd0 with a Make, one strip and an Exif IFD whose
// maker note holds tag 0x0081 (a JPEG offset), and `at8` from byte 8 on.
TiffBuilder cameraTiff(const std::string& make, uint32_t ifd0, const Bytes& at8 = {}) {
  TiffBuilder b;
  b.padTo(ifd0 + 2 + 12 * 5 + 4);
  b.putBytes(8, at8);
  const TiffEntry makeEntry = b.string(kMake, make);
  const uint32_t note = b.appendIfd({longValue(0x0081, 0x8000)});
  const uint32_t exif = b.appendIfd({{0x927C, kUndefined, 18, note}});
  b.writeIfd(ifd0, {makeEntry, longValue(kImageWidth, 0), longValue(kStripOffsets, 0x4000),
                    longValue(kStripByteCounts, 0x2000), longValue(0x8769, exif)});
  b.setIfd0(ifd0);
  return b;
}

TiffBuilder cameraStripArrays() {
  TiffBuilder b(false);
  b.chain({filled({b.string(kMake, "Phase"), b.longArray(kStripOffsets, {0x1000, 0x9000}),
                   b.longArray(kStripByteCounts, {0x100, 0x300})},
                  5)});
  return b;
}

TEST(TiffFileCheck, PlainAndCameraRules) {
  constexpr uint64_t kPlain = 8 + (2 + 12 * 5 + 4) + 6 + 3000 + 512;
  // Make string (6), strip end (0x6000), Exif pointer's LONG (4): all after IFD0.
  constexpr uint64_t kNear = 8 + 6 + 0x6000 + 4;
  TiffBuilder canon = cameraTiff("Canon", 8);
  canon.putBytes(0x8000, previewJpeg(5016));
  expectSizes({
      {"little-endian", FileType::Tiff, plain(true, 5), kPlain, std::nullopt, 2},
      {"little-endian, SHORT count", FileType::Tiff, plain(true, 5, kShort), kPlain, std::nullopt, 2},
      {"big-endian", FileType::Tiff, plain(false, 5), kPlain, std::nullopt, 2},
      {"big-endian, SHORT count", FileType::Tiff, plain(false, 5, kShort), kPlain, std::nullopt, 2},
      // Four entries pass the header test (below) but not the size rule.
      {"four entries", FileType::Tiff, plain(true, 4), 0},
      {"four entries, big-endian", FileType::Tiff, plain(false, 4), 0},
      {"99 bytes", FileType::Tiff, plainOfTotal(99), 0},
      {"100 bytes", FileType::Tiff, plainOfTotal(100), 100 + 512},
      {"200 MiB", FileType::Tiff, plainOfTotal(0xC800000), 0xC800000 + 512},
      {"beyond 200 MiB", FileType::Tiff, plainOfTotal(0xC800001), 0},
      {"25 IFDs", FileType::Tiff, chainOf(25), 8 + 66 + 24 * 30 + 512},
      {"26 IFDs", FileType::Tiff, chainOf(26), 0},
      // Strips listed in arrays: the arrays count as data, the byte counts are summed.
      {"strip arrays", FileType::Tiff, stripArrays(true), 8 + 66 + 12 + 6 + 600 + 512, std::nullopt, 40},
      {"strip arrays, big-endian", FileType::Tiff, stripArrays(false), 8 + 66 + 12 + 6 + 600 + 512, std::nullopt, 40},
      {"camera", FileType::Tiff, cameraTiff("Phase", 8), kNear + 512},
      {"camera, IFD0 beyond the first sector", FileType::Tiff, cameraTiff("Phase", 600), kNear + 12 * 5 + 512,
       std::nullopt, 100},
      // A Canon TIFF adds the JPEG its maker note points at, with 512 bytes of slack.
      {"Canon", FileType::Tiff, canon, kNear + 5016 + 512 + 512, std::nullopt, 300},
      {"\"CR\" with Make Canon is never a TIFF", FileType::Tiff, cameraTiff("Canon", 16, {'C', 'R', 2, 0}), 0},
      // Both arrays plus the end of the last strip.
      {"camera strip arrays", FileType::Tiff, cameraStripArrays(), 8 + 8 + 8 + 0x9000 + 0x300 + 512},
  });
  for (bool littleEndian : {true, false}) {
    TiffFixture f;
    f.place(plain(littleEndian, 4));
    EXPECT_TRUE(f.classify(tiff::kTiffVariant)) << littleEndian;
  }
}

}  // namespace
}  // namespace salvonix::test
