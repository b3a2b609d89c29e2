#include <gtest/gtest.h>

#include "checkers/RawPanasonicFileCheck.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A Panasonic-style raw file ("IIU\0") whose IFD0, at ifd0At (0: appended),
// holds the Make, the strip and `extra` entries, filled up to `entries`.
TiffBuilder panasonic(const std::string& make, uint32_t stripOffset, uint32_t stripLength,
                      std::vector<TiffEntry> extra = {}, uint32_t entries = 4, uint32_t ifd0At = 0) {
  TiffBuilder b(true);
  b.magic('U', 0);
  std::vector<TiffEntry> list = {b.string(kMake, make), TiffBuilder::longValue(kStripOffsets, stripOffset),
                                 TiffBuilder::longValue(kStripByteCounts, stripLength)};
  list.insert(list.end(), extra.begin(), extra.end());
  while (list.size() < entries) list.push_back(TiffBuilder::longValue(0x0131, 1));
  if (ifd0At) {
    b.writeIfd(ifd0At, list);
    b.setIfd0(ifd0At);
  } else {
    b.setIfd0(b.appendIfd(list));
  }
  return b;
}

TEST(PanasonicRaw, StripEndOrIfd0End) {
  TiffFixture f;
  f.place(panasonic("Panasonic", 1000000, 20000000), 0);
  EXPECT_EQ(f.size(FileType::RawPanasonic, 0), 21000512u);
  f.place(panasonic("LEICA", 1000000, 20000000), 0);
  EXPECT_EQ(f.size(FileType::Leica, 0), 21000512u);
  // Strips that end before IFD0: IFD0's end.
  f.place(panasonic("Panasonic", 100, 100, {}, 20, 30000000), 0);
  EXPECT_EQ(f.size(FileType::RawPanasonic, 0), 30000758u);
}

TEST(PanasonicRaw, PreviewIsMeasuredAndReported) {
  const Bytes jpeg = previewJpeg(30000, 9);
  for (uint64_t sector : {5ull, 104857600ull}) {
    // The same file far into a large device keeps its preview.
    TiffFixture f(512, sector * 512 + (2 << 20));
    TiffBuilder b = panasonic("Panasonic", 0x10000, 0x20000, {{0x002E, kUndefined, 30000, 0x8123}});
    b.putBytes(0x8123, jpeg);
    f.place(b, sector);
    EXPECT_EQ(f.size(FileType::RawPanasonic, sector), 0x30000u + 512);
    EXPECT_TRUE(f.context.bRawJpgFileFound) << sector;
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, sector + 0x8123 / 512);
    EXPECT_EQ(f.context.uExtraBytesOfJpgFileOffset, 0x8123u % 512);
    EXPECT_EQ(f.context.u64RawJpgFileSize, jpeg.size());
  }
  // No JPEG where the tag points: nothing reported, the size stands.
  TiffFixture f;
  f.place(panasonic("Panasonic", 0x10000, 0x20000, {{0x002E, kUndefined, 30000, 0x8123}}), 0);
  EXPECT_EQ(f.size(FileType::RawPanasonic, 0), 0x30000u + 512);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
}

TEST(PanasonicRaw, PreviewOffsetBoundInsideTheFile) {
  TiffFixture f(512, 104857600 + (1 << 20));
  const Bytes jpeg = previewJpeg(2000, 4);
  for (uint32_t offset : {104857599u, 104857600u}) {
    f.place(panasonic("Panasonic", 0x10000, 0x20000, {{0x002E, kUndefined, 2000, offset}}), 0);
    f.image.put(offset, jpeg);
    EXPECT_EQ(f.size(FileType::RawPanasonic, 0), 0x30000u + 512);
    EXPECT_EQ(f.context.bRawJpgFileFound, offset == 104857599u);
  }
  // The JPEG beyond the bound is there; it is only not measured.
  auto checker = f.checker(FileType::RawPanasonic);
  auto& raw = static_cast<RawPanasonicFileCheck&>(*checker);
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 0), jpeg.size());
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 1), 0u);
}

// A Hasselblad file whose sub-IFD strip ends at `end`.
TiffBuilder hasselblad(uint32_t end, bool subIfds = true) {
  TiffBuilder b(true);
  const TiffEntry make = b.string(kMake, "Hasselblad");
  const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x1000),
                                    TiffBuilder::longValue(kStripByteCounts, end - 0x1000)});
  b.setIfd0(b.appendIfd({make, subIfds ? TiffEntry{kSubIfds, kLong, 1, sub} : TiffBuilder::longValue(kImageWidth, 1),
                         TiffBuilder::longValue(kImageWidth, 1)}));
  return b;
}

TEST(ThreefrFileCheck, LargeFilesAreTrimmed) {
  TiffFixture f;
  f.place(hasselblad(40000000), 0);
  EXPECT_EQ(f.size(FileType::ThreeFR, 0), 29514240u);
  f.place(hasselblad(31457279), 0);
  EXPECT_EQ(f.size(FileType::ThreeFR, 0), 31457279u);
  f.place(hasselblad(31457280), 0);
  EXPECT_EQ(f.size(FileType::ThreeFR, 0), 20971520u);
  // Without sub-IFDs it is no 3FR, and its 3FR size would be 0.
  f.place(hasselblad(0x100000, false), 0);
  EXPECT_EQ(f.size(FileType::ThreeFR, 0), 0u);
  auto checker = f.checker(FileType::ThreeFR);
  f.context.tiff.bLittleEndianFile = true;
  const auto h = f.header(0);
  EXPECT_EQ(checker->fileSizeCalculation(SectorHeader(h.data(), 25), 0), 0u);
}

}  // namespace
}  // namespace salvonix::test
