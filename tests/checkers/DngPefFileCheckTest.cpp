#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A PEF: IFD0 with the Pentax Make and the preview, then a chain whose last IFD holds the strip.
TiffBuilder pef(uint32_t previewOffset, int ifds = 3) {
  TiffBuilder b;
  std::vector<Ifd> chain(ifds - 1, {longValue(kImageWidth, 0x2000), longValue(kImageWidth, 0x100000)});
  chain.insert(chain.begin(), {b.string(kMake, "PENTAX Corporation"), longValue(kJpegOffset, previewOffset),
                               longValue(kJpegLength, 0x8000)});
  chain.back() = strip(0x2000, 0x100000);
  b.chain(chain);
  return b;
}

TEST(PefFileCheck, StripEndPlusPreview) {
  TiffFixture f;
  f.place(pef(0x4000), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0x8000u + 0x102000 + 512);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 20u + 0x4000 / 512);
  // A preview said to lie beyond 150 MiB into the file is not reported; its length still counts.
  f.place(pef(0x9600001), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0x8000u + 0x102000 + 512);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  // Four IFDs fail the header test; the size rule follows at most six.
  f.place(pef(0x4000, 4), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0u);
  for (int ifds : {6, 7}) {
    f.place(pef(0x4000, ifds), 20);
    f.context.tiff.bLittleEndianFile = true;
    const auto h = f.header(20);
    EXPECT_EQ(f.checker(FileType::Pef)->fileSizeCalculation(SectorHeader(h.data(), 25), 20),
              ifds == 6 ? 0x10A000u + 512 : 0u);
  }
}

// A DNG: IFD0 (at ifd0At, else appended) holds a Model, SubIFDs naming `subs` (count overridable) and DNGVersion.
TiffBuilder dng(const std::vector<Ifd>& subs, const std::string& model = "Canon EOS", uint32_t count = 0,
                uint32_t ifd0At = 0) {
  TiffBuilder b;
  const TiffEntry modelEntry = b.string(kModel, model);
  TiffEntry sub = b.subIfds(subs);
  if (count) sub.count = count;
  const Ifd ifd0 = {modelEntry, sub, {kDngVersion, kByte, 4, 0x00000401}};
  if (ifd0At) b.writeIfd(ifd0At, ifd0);
  b.setIfd0(ifd0At ? ifd0At : b.appendIfd(ifd0));
  return b;
}

TEST(DngFileCheck, RawAndPreviewSubIfds) {
  TiffFixture f;
  const Ifd raw = strip(0x10000, 0x50000);
  f.place(dng({raw}));
  EXPECT_EQ(f.size(FileType::Dng), 0x60000u + 512);
  f.place(dng({raw}, "Canon EOS", 11));
  EXPECT_EQ(f.size(FileType::Dng), 0u);
  for (uint32_t previewBytes : {900u, 3000u}) {
    // The preview sub-IFD names its byte counts as an array.
    TiffBuilder c;
    const TiffEntry counts = c.longArray(kStripByteCounts, {100, previewBytes});
    const Ifd preview = {longValue(kStripOffsets, 0x70000), counts};
    c.chain({{c.string(kModel, "Canon EOS"), c.subIfds({raw, preview}), {kDngVersion, kByte, 4, 0x00000401}}});
    f.place(c);
    EXPECT_EQ(f.size(FileType::Dng), 0x60000u + previewBytes + 512);
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0x70000u / 512);
    EXPECT_EQ(f.context.bRawJpgFileFound, previewBytes > 1024);
  }
  // A Pentax K10D preview is added, the *ist DS one lies inside the raw data; the same far into the device.
  for (const std::string model : {"PENTAX *ist DS", "PENTAX K10D"}) {
    for (uint64_t sector : {0ull, 300000ull}) {
      f.place(dng({raw, strip(0x20000, 0x4000)}, model), sector);
      EXPECT_EQ(f.size(FileType::Dng, sector), 0x60000u + (model == "PENTAX K10D" ? 0x4000 : 0) + 512) << model;
    }
  }
}

TEST(DngFileCheck, AtLeastIfd0WhenTheDataLieBeforeIt) {
  TiffFixture f;
  f.place(dng({strip(0x100, 0x100)}, "Canon EOS", 0, 0x20000));
  EXPECT_EQ(f.size(FileType::Dng), 0x20000u + 12 * 3 + 6 + 512);
  // Without strips: IFD0 and the data its entries place after it (the version's four bytes too).
  TiffBuilder b;
  b.padTo(0x400);
  b.writeIfd(0x10, {{kDngVersion, kByte, 4, 0x00000401}, {0xC614, kAscii, 60, 0x300},
                    longValue(kImageWidth, 5)});
  b.setIfd0(0x10);
  f.place(b);
  EXPECT_EQ(f.size(FileType::Dng), 0x10u + 12 * 3 + 6 + 4 + 60 + 512);
}

}  // namespace
}  // namespace salvonix::test
