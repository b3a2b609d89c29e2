#include <gtest/gtest.h>

#include "checkers/ScanAndSave.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A CR2: IFD0 names the preview strip, then `middle` IFDs, then the raw IFD.
struct Cr2 {
  uint32_t previewOffset = 0x1234;
  uint32_t previewLength = 3000;
  uint32_t rawOffset = 0x1000;
  uint32_t rawLength = 0x2000;
  uint32_t rawCount = 1;
  int middle = 2;
  bool rawIfd = true;

  TiffBuilder build() const {
    TiffBuilder b(true);
    b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
    const TiffEntry make = b.string(kMake, "Canon");
    uint32_t previous = b.appendIfd({make, TiffBuilder::longValue(kStripOffsets, previewOffset),
                                     TiffBuilder::longValue(kStripByteCounts, previewLength)});
    b.setIfd0(previous);
    auto link = [&](uint32_t next) {
      b.setNext(previous, next);
      previous = next;
    };
    for (int i = 0; i < middle; ++i)
      link(b.appendIfd({TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kStripOffsets, 5)}));
    if (rawIfd)
      link(b.appendIfd({{kStripOffsets, kLong, rawCount, rawOffset}, {kStripByteCounts, kLong, rawCount, rawLength}}));
    return b;
  }
};

TEST(Cr2FileCheck, RawDataEndsTheFileAndIfd0IsThePreview) {
  TiffFixture f;
  f.place(Cr2{}.build(), 10);
  EXPECT_EQ(f.size(FileType::Cr2, 10), 0x3000u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 10u + 0x1234 / 512);
  EXPECT_EQ(f.context.uExtraBytesOfJpgFileOffset, 0x1234u % 512);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 3000u);

  Cr2 onlyIfd0;
  onlyIfd0.middle = 0;
  onlyIfd0.rawIfd = false;
  f.place(onlyIfd0.build(), 10);
  EXPECT_EQ(f.size(FileType::Cr2, 10), 0u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);  // the report stays for the engine, which records nothing

  Cr2 noMiddle;
  noMiddle.middle = 0;
  f.place(noMiddle.build(), 10);
  EXPECT_EQ(f.size(FileType::Cr2, 10), 0x3000u);
}

TEST(Cr2FileCheck, RawStripLimits) {
  TiffFixture f;
  for (uint32_t count : {2u, 65534u}) {
    Cr2 arrays;
    arrays.rawCount = count;
    f.place(arrays.build(), 0);
    EXPECT_EQ(f.size(FileType::Cr2, 0), 0u) << count;
    arrays.rawOffset = 0;  // an "array" at the start of the file is none either
    f.place(arrays.build(), 0);
    EXPECT_EQ(f.size(FileType::Cr2, 0), 0u) << count;
  }
  Cr2 big;
  big.rawLength = 0x9600000 - big.rawOffset;
  f.place(big.build(), 0);
  EXPECT_EQ(f.size(FileType::Cr2, 0), 0x9600000u);
  big.rawLength += 1;
  f.place(big.build(), 0);
  EXPECT_EQ(f.size(FileType::Cr2, 0), 0u);
  // 24 IFDs after IFD0 are followed; a 26th IFD is not.
  Cr2 chain;
  chain.middle = 23;
  f.place(chain.build(), 0);
  EXPECT_EQ(f.size(FileType::Cr2, 0), 0x3000u);
  chain.middle = 24;
  f.place(chain.build(), 0);
  EXPECT_EQ(f.size(FileType::Cr2, 0), 0u);
}

TEST(Cr2FileCheck, UnreadableIfdWithdrawsThePreview) {
  TiffFixture f;
  TiffBuilder b = Cr2{}.build();
  // Point IFD0's successor at a directory of one entry.
  const uint32_t bad = b.appendIfd({TiffBuilder::longValue(kImageWidth, 1)});
  const uint32_t ifd0 = b.bytes()[4] | b.bytes()[5] << 8;
  b.setNext(ifd0, bad);
  f.place(b, 0);
  EXPECT_EQ(f.size(FileType::Cr2, 0), 0u);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0u);
}

// A NEF: IFD0 with SubIFDs naming the given sub-IFDs.
TiffBuilder nef(const std::vector<std::vector<TiffEntry>>& subIfds, uint32_t ifd0Entries = 3) {
  TiffBuilder b(true);
  const TiffEntry make = b.string(kMake, "NIKON CORPORATION");
  std::vector<uint32_t> offsets;
  for (const auto& entries : subIfds) offsets.push_back(b.appendIfd(entries));
  TiffEntry sub = offsets.size() == 1 ? TiffEntry{kSubIfds, kLong, 1, offsets[0]}
                                      : TiffEntry{kSubIfds, kLong, static_cast<uint32_t>(offsets.size()),
                                                  b.appendLongs(offsets)};
  std::vector<TiffEntry> ifd0 = {make, sub};
  while (ifd0.size() < ifd0Entries) ifd0.push_back(TiffBuilder::longValue(kImageWidth, 1));
  b.setIfd0(b.appendIfd(ifd0));
  return b;
}

TEST(NefFileCheck, SingleSubIfdStripIsTheExactEnd) {
  TiffFixture f;
  f.place(nef({{TiffBuilder::longValue(kJpegOffset, 0x800), TiffBuilder::longValue(kJpegLength, 0x4000),
                TiffBuilder::longValue(kStripOffsets, 0x10000), TiffBuilder::longValue(kStripByteCounts, 0x500000)}}),
          7);
  EXPECT_EQ(f.size(FileType::Nef, 7), 0x510000u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 7u + 4);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0x4000u);
  // Strips as arrays: the last strip's end, with slack.
  TiffBuilder b(true);
  const TiffEntry offsets = b.longArray(kStripOffsets, {0x10000, 0x90000});
  const TiffEntry counts = b.longArray(kStripByteCounts, {0x80000, 0x70000});
  const uint32_t sub = b.appendIfd({offsets, counts});
  b.setIfd0(b.appendIfd({b.string(kMake, "NIKON"), {kSubIfds, kLong, 1, sub}}));
  f.place(b, 7);
  EXPECT_EQ(f.size(FileType::Nef, 7), 0x100000u + 512);
}

TEST(NefFileCheck, LargestPreviewAmongSubIfdsIsReported) {
  TiffFixture f;
  // A report left over from an earlier file does not hide this file's previews.
  f.context.u64RawJpgFileSize = 1000000;
  f.place(nef({{TiffBuilder::longValue(kJpegOffset, 0x1000), TiffBuilder::longValue(kJpegLength, 0x3000),
                TiffBuilder::longValue(kImageWidth, 1)},
               {TiffBuilder::longValue(kJpegOffset, 0x5000), TiffBuilder::longValue(kJpegLength, 0x9000),
                TiffBuilder::longValue(kImageWidth, 1)},
               {TiffBuilder::longValue(kJpegOffset, 0x20000), TiffBuilder::longValue(kJpegLength, 0x100),
                TiffBuilder::longValue(kStripOffsets, 0x30000), TiffBuilder::longValue(kStripByteCounts, 0x40000)}}),
          0);
  EXPECT_EQ(f.size(FileType::Nef, 0), 0x70000u + 512);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0x9000u);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0x5000u / 512);
}

TEST(NefFileCheck, WithoutSubIfdsOrStripsTheDirectoryIsTheSize) {
  TiffFixture f;
  // "IIRO"-like magic keeps the header test from taking it as a plain TIFF.
  auto without = [](uint32_t entries) {
    TiffBuilder b(true);
    b.magic('R', 'O');
    std::vector<TiffEntry> list = {b.string(kMake, "NIKON")};
    while (list.size() < entries) list.push_back(TiffBuilder::longValue(kImageWidth, 1));
    b.setIfd0(b.appendIfd(list));
    return b;
  };
  f.place(without(8), 0);
  EXPECT_EQ(f.size(FileType::Nef, 0), 12u * 8 + 6);
  f.place(without(7), 0);
  EXPECT_EQ(f.size(FileType::Nef, 0), 0u);
  // Strips ending before IFD0: IFD0's size, with slack.
  TiffBuilder b(true);
  b.padTo(0x3000);
  const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x100), TiffBuilder::longValue(kImageWidth, 1),
                                    TiffBuilder::longValue(kStripByteCounts, 0x200)});
  const uint32_t sub2 = b.appendIfd({TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kImageWidth, 1)});
  const uint32_t list = b.appendLongs({sub, sub2});
  std::vector<TiffEntry> ifd0 = {b.string(kMake, "NIKON"), {kSubIfds, kLong, 2, list}};
  while (ifd0.size() < 9) ifd0.push_back(TiffBuilder::longValue(kImageWidth, 1));
  b.setIfd0(b.appendIfd(ifd0));
  f.place(b, 0);
  EXPECT_EQ(f.size(FileType::Nef, 0), 12u * 9 + 6 + 512);
}

TEST(NefFileCheck, ANikonTiffGoesToTheTiffChecker) {
  TempDir dir;
  const std::string image = dir.file("disk.img");
  TestImage disk(image, 1 << 20);
  TiffBuilder b(true);
  b.setIfd0(b.appendIfd({b.string(kMake, "NIKON"), TiffBuilder::longValue(kImageWidth, 1),
                         TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kStripOffsets, 0x400),
                         TiffBuilder::longValue(kStripByteCounts, 0x400)}));
  disk.putAtSector(8, b.bytes());
  const auto found = scanImage(image, {FileType::Nef, FileType::Tiff});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].folder, "TIFF Files");
}

// A CR2 whose preview is a real JPEG at an offset inside a sector: the scan
// lists the preview and saving it gives back exactly the JPEG.
TEST(RawPreview, Cr2PreviewIsSavedAsItsJpeg) {
  TempDir dir;
  const std::string image = dir.file("disk.img");
  TestImage disk(image, 2 << 20);
  const Bytes jpeg = previewJpeg(20000, 42);
  Cr2 cr2;
  cr2.previewOffset = 0x2345;
  cr2.previewLength = static_cast<uint32_t>(jpeg.size());
  cr2.rawOffset = 0x8000;
  cr2.rawLength = 0x4000;
  TiffBuilder file = cr2.build();
  file.putBytes(cr2.previewOffset, jpeg);
  file.padTo(0xC000);
  disk.putAtSector(300, file.bytes());

  const SavedScan result = scanAndSave(image, {FileType::Cr2, FileType::Jpg}, dir.file("out"));
  ASSERT_EQ(result.found.size(), 2u);
  EXPECT_EQ(result.found[0].folder, "CR2 Files");
  EXPECT_EQ(result.found[0].size, 0xC000u);
  const FoundFile& preview = result.found[1];
  EXPECT_EQ(preview.folder, "RAW Jpg Files");
  EXPECT_EQ(preview.name, "file - Raw Jpg1.jpg");
  EXPECT_EQ(preview.sector, 300u + 0x2345 / 512);
  EXPECT_EQ(preview.extraBytesToMove, static_cast<int32_t>(0x2345 % 512));
  EXPECT_EQ(preview.size, jpeg.size());
  const Bytes& saved = result.saved.at("RAW Jpg Files/file - Raw Jpg1.jpg");
  ASSERT_EQ(saved.size(), jpeg.size());
  EXPECT_EQ(saved[0], 0xFF);
  EXPECT_EQ(saved[1], 0xD8);
  EXPECT_EQ(saved, jpeg);
  EXPECT_TRUE(result.alerts.empty());
}

}  // namespace
}  // namespace salvonix::test
