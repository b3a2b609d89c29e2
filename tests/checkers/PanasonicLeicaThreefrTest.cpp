#include <gtest/gtest.h>

#include "checkers/RawPanasonicFileCheck.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A Panasonic-style raw file ("IIU\0") whose IFD0 (at ifd0At, else appended)
// holds the Make, one strip and `extra`, filled up to `entries`.
TiffBuilder panasonic(const std::string& make, uint32_t stripOffset, uint32_t stripLength, const Ifd& extra = {},
                      std::size_t entries = 4, uint32_t ifd0At = 0) {
  TiffBuilder b;
  b.magic('U', 0);
  Ifd ifd0 = strip(stripOffset, stripLength);
  ifd0.insert(ifd0.begin(), b.string(kMake, make));
  ifd0.insert(ifd0.end(), extra.begin(), extra.end());
  ifd0 = filled(ifd0, entries);
  if (ifd0At) b.writeIfd(ifd0At, ifd0);
  b.setIfd0(ifd0At ? ifd0At : b.appendIfd(ifd0));
  return b;
}

TEST(PanasonicRaw, StripEndOrIfd0End) {
  TiffFixture f;
  f.place(panasonic("Panasonic", 1000000, 20000000));
  EXPECT_EQ(f.size(FileType::RawPanasonic), 21000512u);
  f.place(panasonic("LEICA", 1000000, 20000000));
  EXPECT_EQ(f.size(FileType::Leica), 21000512u);
  // Strips that end before IFD0: IFD0's end.
  f.place(panasonic("Panasonic", 100, 100, {}, 20, 30000000));
  EXPECT_EQ(f.size(FileType::RawPanasonic), 30000758u);
}

TEST(PanasonicRaw, PreviewIsMeasuredAndReported) {
  const Bytes jpeg = previewJpeg(30000);
  const Ifd previewTag = {{0x002E, kUndefined, 30000, 0x8123}};
  for (uint64_t sector : {5ull, 104857600ull}) {
    // The same file far into a large device keeps its preview.
    TiffFixture f(512, sector * 512 + (2 << 20));
    TiffBuilder b = panasonic("Panasonic", 0x10000, 0x20000, previewTag);
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
  f.place(panasonic("Panasonic", 0x10000, 0x20000, previewTag));
  EXPECT_EQ(f.size(FileType::RawPanasonic), 0x30000u + 512);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
}

TEST(PanasonicRaw, PreviewOffsetBoundInsideTheFile) {
  TiffFixture f(512, 104857600 + (1 << 20));
  const Bytes jpeg = previewJpeg(2000);
  for (uint32_t offset : {104857599u, 104857600u}) {
    f.place(panasonic("Panasonic", 0x10000, 0x20000, {{0x002E, kUndefined, 2000, offset}}));
    f.image.put(offset, jpeg);
    EXPECT_EQ(f.size(FileType::RawPanasonic), 0x30000u + 512);
    EXPECT_EQ(f.context.bRawJpgFileFound, offset == 104857599u);
  }
  // The JPEG beyond the bound is there; it is only not measured.
  auto checker = f.checker(FileType::RawPanasonic);
  auto& raw = static_cast<RawPanasonicFileCheck&>(*checker);
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 0), jpeg.size());
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 1), 0u);
}

TEST(ThreefrFileCheck, LargeFilesAreTrimmed) {
  TiffFixture f;
  auto hasselblad = [&](uint32_t end, bool subIfds = true) {
    TiffBuilder b;
    const TiffEntry make = b.string(kMake, "Hasselblad");
    b.chain({filled({make, subIfds ? b.subIfds({strip(0x1000, end - 0x1000)}) : longValue(kImageWidth, 1)}, 3)});
    f.place(b);
    return f.size(FileType::ThreeFR);
  };
  EXPECT_EQ(hasselblad(40000000), 29514240u);
  EXPECT_EQ(hasselblad(31457279), 31457279u);
  EXPECT_EQ(hasselblad(31457280), 20971520u);
  // Without sub-IFDs it is no 3FR, and its 3FR size would be 0.
  EXPECT_EQ(hasselblad(0x100000, false), 0u);
  f.context.tiff.bLittleEndianFile = true;
  const auto h = f.header(0);
  EXPECT_EQ(f.checker(FileType::ThreeFR)->fileSizeCalculation(SectorHeader(h.data(), 25), 0), 0u);
}

}  // namespace
}  // namespace salvonix::test
