#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A CR2: IFD0 names the preview strip (3000 bytes at 0x1234), then `middle` IFDs, then the raw IFD.
struct Cr2 {
  uint32_t rawOffset = 0x1000, rawLength = 0x2000, rawCount = 1;
  int middle = 2;
  bool rawIfd = true;

  TiffBuilder build() const {
    TiffBuilder b;
    b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
    const TiffEntry make = b.string(kMake, "Canon");
    std::vector<Ifd> chain = {{make, longValue(kStripOffsets, 0x1234), longValue(kStripByteCounts, 3000)}};
    chain.resize(1 + middle, {longValue(kImageWidth, 1), longValue(kStripOffsets, 5)});
    if (rawIfd) {
      chain.push_back({{kStripOffsets, kLong, rawCount, rawOffset}, {kStripByteCounts, kLong, rawCount, rawLength}});
    }
    b.chain(chain);
    return b;
  }
};

TEST(Cr2FileCheck, RawDataEndsTheFileAndIfd0IsThePreview) {
  TiffFixture f;
  for (int middle : {0, 2}) {
    f.place(Cr2{.middle = middle}.build(), 10);
    EXPECT_EQ(f.size(FileType::Cr2, 10), 0x3000u);
    EXPECT_TRUE(f.context.bRawJpgFileFound);
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 10u + 0x1234 / 512);
    EXPECT_EQ(f.context.uExtraBytesOfJpgFileOffset, 0x1234u % 512);
    EXPECT_EQ(f.context.u64RawJpgFileSize, 3000u);
  }
  f.place(Cr2{.middle = 0, .rawIfd = false}.build(), 10);
  EXPECT_EQ(f.size(FileType::Cr2, 10), 0u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);  // the report stays for the engine, which records nothing
}

TEST(Cr2FileCheck, RawStripLimits) {
  TiffFixture f;
  auto size = [&](const Cr2& cr2) {
    f.place(cr2.build());
    return f.size(FileType::Cr2);
  };
  EXPECT_EQ(size({.rawCount = 2}), 0u);  // strips as arrays
  EXPECT_EQ(size({.rawCount = 65534}), 0u);
  EXPECT_EQ(size({.rawLength = 0x9600000 - 0x1000}), 0x9600000u);
  EXPECT_EQ(size({.rawLength = 0x9600000 - 0x1000 + 1}), 0u);
  // 24 IFDs after IFD0 are followed, not 25.
  EXPECT_EQ(size({.middle = 23}), 0x3000u);
  EXPECT_EQ(size({.middle = 24}), 0u);
  // IFD0's successor has one entry: no size, and the preview is withdrawn.
  TiffBuilder b;
  b.putBytes(8, {'C', 'R', 2, 0});
  b.chain({{b.string(kMake, "Canon"), longValue(kStripOffsets, 0x1234), longValue(kStripByteCounts, 3000)},
           {longValue(kImageWidth, 1)}});
  f.place(b);
  EXPECT_EQ(f.size(FileType::Cr2), 0u);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0u);
}

// A NEF: IFD0 with the Make and SubIFDs naming these sub-IFDs, filled up to `entries`.
TiffBuilder nef(const std::vector<Ifd>& subs, std::size_t entries = 3) {
  TiffBuilder b;
  b.chain({filled({b.string(kMake, "NIKON CORPORATION"), b.subIfds(subs)}, entries)});
  return b;
}

TEST(NefFileCheck, SubIfdStripsEndTheFile) {
  TiffFixture f;
  Ifd sub = strip(0x10000, 0x500000);
  sub.insert(sub.begin(), {longValue(kJpegOffset, 0x800), longValue(kJpegLength, 0x4000)});
  f.place(nef({sub}), 7);
  EXPECT_EQ(f.size(FileType::Nef, 7), 0x510000u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 7u + 4);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0x4000u);
  // Strips as arrays: the last strip's end, with slack.
  TiffBuilder b;
  const TiffEntry make = b.string(kMake, "NIKON");
  const TiffEntry offsets = b.longArray(kStripOffsets, {0x10000, 0x90000});
  const TiffEntry counts = b.longArray(kStripByteCounts, {0x80000, 0x70000});
  b.chain({{make, b.subIfds({{offsets, counts}})}});
  f.place(b, 7);
  EXPECT_EQ(f.size(FileType::Nef, 7), 0x100000u + 512);
}

TEST(NefFileCheck, LargestPreviewAmongSubIfdsIsReported) {
  TiffFixture f;
  // A report left over from an earlier file does not hide this file's previews.
  f.context.u64RawJpgFileSize = 1000000;
  Ifd last = strip(0x30000, 0x40000);
  last.insert(last.begin(), {longValue(kJpegOffset, 0x20000), longValue(kJpegLength, 0x100)});
  f.place(nef({filled({longValue(kJpegOffset, 0x1000), longValue(kJpegLength, 0x3000)}, 3),
               filled({longValue(kJpegOffset, 0x5000), longValue(kJpegLength, 0x9000)}, 3), last}));
  EXPECT_EQ(f.size(FileType::Nef), 0x70000u + 512);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0x9000u);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0x5000u / 512);
}

TEST(NefFileCheck, WithoutSubIfdsOrStripsTheDirectoryIsTheSize) {
  TiffFixture f;
  // "RO" magic keeps the header test from taking it as a plain TIFF.
  for (std::size_t entries : {7u, 8u}) {
    TiffBuilder b;
    b.magic('R', 'O');
    b.chain({filled({b.string(kMake, "NIKON")}, entries)});
    f.place(b);
    EXPECT_EQ(f.size(FileType::Nef), entries == 8 ? 12u * 8 + 6 : 0u);
  }
  // Strips ending before IFD0: IFD0's size, with slack.
  TiffBuilder b;
  b.padTo(0x3000);
  b.chain({filled({b.string(kMake, "NIKON"), b.subIfds({strip(0x100, 0x200), Ifd(2, longValue(kImageWidth, 1))})}, 9)});
  f.place(b);
  EXPECT_EQ(f.size(FileType::Nef), 12u * 9 + 6 + 512);
}

}  // namespace
}  // namespace salvonix::test
