#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// An A700-family ARW: the raw strip in IFD0's sub-IFD, the preview in IFD0.
TiffBuilder arwA700(uint32_t stripOffset, uint32_t stripLength, uint32_t jpegOffset, uint32_t jpegLength,
                    const std::string& model = "DSLR-A700") {
  TiffBuilder b(true);
  const TiffEntry modelEntry = b.string(kModel, model);
  const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, stripOffset),
                                    TiffBuilder::longValue(kStripByteCounts, stripLength)});
  b.setIfd0(b.appendIfd({b.string(kMake, "SONY"), modelEntry, {kSubIfds, kLong, 1, sub},
                         TiffBuilder::longValue(kJpegOffset, jpegOffset), TiffBuilder::longValue(kJpegLength, jpegLength)}));
  return b;
}

TEST(ArwFileCheck, A700RawStripEndsTheFileExactly) {
  TiffFixture f;
  f.place(arwA700(0x100000, 0x800000, 0x8000, 8000000), 4);
  auto checker = f.checker(FileType::Arw);
  EXPECT_EQ(f.size(*checker, 4), 0x900000u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 4u + 0x8000 / 512);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 7340032u);
  // parentKey forgets the model family.
  EXPECT_EQ(checker->parentKey(), "arw");
  EXPECT_FALSE(f.context.bSonyArwA700File);

  // A preview beyond the raw data is withdrawn and the walk ends there.
  f.place(arwA700(0x100000, 0x800000, 0x950000, 0x4000), 4);
  EXPECT_EQ(f.size(FileType::Arw, 4), 0x900000u);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0u);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0u);
  // Other Sony models are not ARW files to this checker.
  f.place(arwA700(0x100000, 0x800000, 0x8000, 0x4000, "NEX-5"), 4);
  EXPECT_EQ(f.size(FileType::Arw, 4), 0u);
}

TEST(ArwFileCheck, A100EndFromItsPrivateData) {
  TiffFixture f;
  for (bool privateData : {true, false}) {
    TiffBuilder b(true);
    const TiffEntry model = b.string(kModel, "DSLR-A100");
    const uint32_t block = b.append(Bytes(200, 0));
    b.put32(block + 148, 0x500000);
    std::vector<TiffEntry> ifd0 = {model, TiffBuilder::longValue(kSubIfds, 0x3000),
                                   TiffBuilder::longValue(kJpegOffset, 0x4000), TiffBuilder::longValue(kJpegLength, 0x6000)};
    if (privateData) ifd0.push_back(TiffBuilder::longValue(kDngPrivateData, block));
    else ifd0.push_back(TiffBuilder::longValue(kImageWidth, 1));
    b.setIfd0(b.appendIfd(ifd0));
    f.place(b, 0);
    EXPECT_EQ(f.size(FileType::Arw, 0), privateData ? 0x503000u : 0u);
    EXPECT_EQ(f.context.bRawJpgFileFound, privateData);
  }
}

TiffBuilder sr2(uint32_t previewLength, const std::string& model = "DSC-R1") {
  TiffBuilder b(true);
  const TiffEntry make = b.string(kMake, "SONY");
  const TiffEntry modelEntry = b.string(kModel, model);
  const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x10000),
                                    TiffBuilder::longValue(kStripByteCounts, 0x200000),
                                    TiffBuilder::longValue(kJpegOffset, 0x5000),
                                    TiffBuilder::longValue(kJpegLength, previewLength)});
  b.setIfd0(b.appendIfd({make, modelEntry, {kSubIfds, kLong, 1, sub}, TiffBuilder::longValue(0x0131, 1)}));
  return b;
}

TEST(Sr2FileCheck, RawStripAndPreview) {
  TiffFixture f;
  for (uint32_t previewLength : {1024u, 1025u}) {
    f.place(sr2(previewLength), 0);
    EXPECT_EQ(f.size(FileType::Sr2, 0), 0x210000u + 512);
    EXPECT_EQ(f.context.u64RawJpgFileSize, previewLength);
    EXPECT_EQ(f.context.bRawJpgFileFound, previewLength == 1025);
  }
}

TEST(Sr2FileCheck, WithArwSelectedTheArwVariantDecides) {
  TempDir dir;
  const std::string image = dir.file("disk.img");
  TestImage disk(image, 8 << 20);
  disk.putAtSector(100, sr2(4000).bytes());
  disk.putAtSector(8000, sr2(4000, "DSC-R1 (v2)").bytes());
  // Alone, SR2 takes a Model that starts with "DSC-R1"...
  auto found = scanImage(image, {FileType::Sr2});
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1].folder, "SR2 Files");
  EXPECT_EQ(found[1].sector, 8000u);
  EXPECT_EQ(found[2].folder, "RAW Jpg Files");
  // ...behind ARW only the exact "DSC-R1".
  found = scanImage(image, {FileType::Arw, FileType::Sr2});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].folder, "SR2 Files");
  EXPECT_EQ(found[0].sector, 100u);
  EXPECT_EQ(found[1].folder, "RAW Jpg Files");
}

}  // namespace
}  // namespace salvonix::test
