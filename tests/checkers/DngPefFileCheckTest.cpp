#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A PEF: IFD0 with the Pentax Make and the preview, then a chain whose last IFD holds the strip.
TiffBuilder pef(uint32_t previewOffset, uint32_t previewLength, int ifds = 3) {
  TiffBuilder b(true);
  uint32_t previous = b.appendIfd({b.string(kMake, "PENTAX Corporation"), TiffBuilder::longValue(kJpegOffset, previewOffset),
                                   TiffBuilder::longValue(kJpegLength, previewLength)});
  b.setIfd0(previous);
  for (int i = 1; i < ifds; ++i) {
    const bool last = i == ifds - 1;
    const uint32_t next = b.appendIfd({TiffBuilder::longValue(last ? kStripOffsets : kImageWidth, 0x2000),
                                       TiffBuilder::longValue(last ? kStripByteCounts : kImageWidth, 0x100000)});
    b.setNext(previous, next);
    previous = next;
  }
  return b;
}

TEST(PefFileCheck, StripEndPlusPreview) {
  TiffFixture f;
  f.place(pef(0x4000, 0x8000), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0x8000u + 0x102000 + 512);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 20u + 0x4000 / 512);
  // A preview said to lie beyond 150 MiB into the file is not reported; its length still counts.
  f.place(pef(0x9600001, 0x8000), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0x8000u + 0x102000 + 512);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  // A Pentax TIFF of four IFDs is no PEF.
  f.place(pef(0x4000, 0x8000, 4), 20);
  EXPECT_EQ(f.size(FileType::Pef, 20), 0u);
}

TEST(PefFileCheck, ChainOfAtMostSixIfds) {
  for (int ifds : {6, 7}) {
    TiffFixture f;
    f.place(pef(0x4000, 0x8000, ifds), 0);
    auto checker = f.checker(FileType::Pef);
    f.context.tiff.bLittleEndianFile = true;
    const auto h = f.header(0);
    EXPECT_EQ(checker->fileSizeCalculation(SectorHeader(h.data(), 25), 0), ifds == 6 ? 0x10A000u + 512 : 0u);
  }
}

struct Dng {
  TiffBuilder file{true};
  uint32_t subList = 0;
};

// A DNG: IFD0 holds a Model, SubIFDs with the given sub-IFDs and DNGVersion.
TiffBuilder dng(const std::vector<std::vector<TiffEntry>>& subs, const std::string& model = "Canon EOS",
                uint32_t subCount = 0, uint32_t ifd0At = 0) {
  TiffBuilder b(true);
  const TiffEntry modelEntry = b.string(kModel, model);
  std::vector<uint32_t> offsets;
  for (const auto& entries : subs) offsets.push_back(b.appendIfd(entries));
  const uint32_t count = subCount ? subCount : static_cast<uint32_t>(offsets.size());
  const uint32_t value = offsets.size() == 1 ? offsets[0] : b.appendLongs(offsets);
  const std::vector<TiffEntry> ifd0 = {modelEntry, {kSubIfds, kLong, count, value}, {kDngVersion, kByte, 4, 0x00000401}};
  if (ifd0At) {
    b.writeIfd(ifd0At, ifd0);
    b.setIfd0(ifd0At);
  } else {
    b.setIfd0(b.appendIfd(ifd0));
  }
  return b;
}

TEST(DngFileCheck, RawAndPreviewSubIfds) {
  TiffFixture f;
  const std::vector<TiffEntry> raw = {TiffBuilder::longValue(kStripOffsets, 0x10000),
                                      TiffBuilder::longValue(kStripByteCounts, 0x50000)};
  f.place(dng({raw}), 0);
  EXPECT_EQ(f.size(FileType::Dng, 0), 0x60000u + 512);

  for (uint32_t previewBytes : {900u, 3000u}) {
    // The preview sub-IFD names its byte counts as an array.
    TiffBuilder c(true);
    const TiffEntry model = c.string(kModel, "Canon EOS");
    const uint32_t array = c.appendLongs({100, previewBytes});
    const uint32_t rawIfd = c.appendIfd(raw);
    const uint32_t previewIfd =
        c.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x70000), {kStripByteCounts, kLong, 2, array}});
    const uint32_t list = c.appendLongs({rawIfd, previewIfd});
    c.setIfd0(c.appendIfd({model, {kSubIfds, kLong, 2, list}, {kDngVersion, kByte, 4, 0x00000401}}));
    f.place(c, 0);
    EXPECT_EQ(f.size(FileType::Dng, 0), 0x60000u + previewBytes + 512);
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0x70000u / 512);
    EXPECT_EQ(f.context.bRawJpgFileFound, previewBytes > 1024);
  }
  f.place(dng({raw}, "Canon EOS", 11), 0);
  EXPECT_EQ(f.size(FileType::Dng, 0), 0u);
}

TEST(DngFileCheck, AtLeastIfd0WhenTheDataLieBeforeIt) {
  TiffFixture f;
  // IFD0 at 0x20000 with three entries; the only strip ends at 0x200.
  f.place(dng({{TiffBuilder::longValue(kStripOffsets, 0x100), TiffBuilder::longValue(kStripByteCounts, 0x100)}},
              "Canon EOS", 0, 0x20000),
          0);
  EXPECT_EQ(f.size(FileType::Dng, 0), 0x20000u + 12 * 3 + 6 + 512);
  // Without strips at all, IFD0 and the data its entries place after it (the
  // version's four bytes count too: its value field exceeds IFD0's offset).
  TiffBuilder b(true);
  b.padTo(0x400);
  const uint32_t ifd0 = 0x10;
  b.writeIfd(ifd0, {{kDngVersion, kByte, 4, 0x00000401}, {kUniqueCameraModel, kAscii, 60, 0x300},
                    TiffBuilder::longValue(kImageWidth, 5)});
  b.setIfd0(ifd0);
  f.place(b, 0);
  EXPECT_EQ(f.size(FileType::Dng, 0), 0x10u + 12 * 3 + 6 + 4 + 60 + 512);
}

TEST(DngFileCheck, PentaxPreviewInsideTheRawDataIsNotAdded) {
  for (const std::string model : {"PENTAX *ist DS", "PENTAX K10D"}) {
    TiffFixture f;
    TiffBuilder c(true);
    const TiffEntry modelEntry = c.string(kModel, model);
    const uint32_t rawIfd = c.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x10000),
                                         TiffBuilder::longValue(kStripByteCounts, 0x50000)});
    const uint32_t previewIfd = c.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x20000),
                                             TiffBuilder::longValue(kStripByteCounts, 0x4000)});
    const uint32_t list = c.appendLongs({rawIfd, previewIfd});
    c.setIfd0(c.appendIfd({modelEntry, {kSubIfds, kLong, 2, list}, {kDngVersion, kByte, 4, 0x00000401}}));
    // The same file far into the device gives the same size.
    for (uint64_t sector : {0ull, 300000ull}) {
      f.place(c, sector);
      EXPECT_EQ(f.size(FileType::Dng, sector), 0x60000u + (model == "PENTAX K10D" ? 0x4000 : 0) + 512) << model;
    }
  }
}

}  // namespace
}  // namespace salvonix::test
