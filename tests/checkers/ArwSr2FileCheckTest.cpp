#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// An A700-family ARW: the raw strip in IFD0's sub-IFD, the preview in IFD0.
TiffBuilder arwA700(uint32_t jpegOffset, uint32_t jpegLength) {
  TiffBuilder b;
  b.chain({{b.string(kMake, "SONY"), b.string(kModel, "DSLR-A700"), b.subIfds({strip(0x100000, 0x800000)}),
            longValue(kJpegOffset, jpegOffset), longValue(kJpegLength, jpegLength)}});
  return b;
}

TEST(ArwFileCheck, A700RawStripEndsTheFileExactly) {
  TiffFixture f;
  f.place(arwA700(0x8000, 8000000), 4);
  auto checker = f.checker(FileType::Arw);
  EXPECT_EQ(f.size(*checker, 4), 0x900000u);
  EXPECT_TRUE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 4u + 0x8000 / 512);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 7340032u);
  EXPECT_EQ(checker->parentKey(), "arw");  // which forgets the model family
  EXPECT_FALSE(f.context.bSonyArwA700File);
  // A preview beyond the raw data is withdrawn.
  f.place(arwA700(0x950000, 0x4000), 4);
  EXPECT_EQ(f.size(FileType::Arw, 4), 0x900000u);
  EXPECT_FALSE(f.context.bRawJpgFileFound);
  EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 0u);
  EXPECT_EQ(f.context.u64RawJpgFileSize, 0u);
}

// The A100's end lies in the block that DNGPrivateData (0xC634) points at.
TEST(ArwFileCheck, A100EndFromItsPrivateData) {
  TiffFixture f;
  for (bool privateData : {true, false}) {
    TiffBuilder b;
    const TiffEntry model = b.string(kModel, "DSLR-A100");
    const uint32_t block = b.append(Bytes(200, 0));
    b.put(block + 148, 0x500000);
    b.chain({{model, longValue(kSubIfds, 0x3000), longValue(kJpegOffset, 0x4000), longValue(kJpegLength, 0x6000),
              longValue(privateData ? 0xC634 : kImageWidth, block)}});
    f.place(b);
    EXPECT_EQ(f.size(FileType::Arw), privateData ? 0x503000u : 0u);
    EXPECT_EQ(f.context.bRawJpgFileFound, privateData);
  }
}

TiffBuilder sr2(uint32_t previewLength, const std::string& model = "DSC-R1") {
  TiffBuilder b;
  Ifd sub = strip(0x10000, 0x200000);
  sub.insert(sub.end(), {longValue(kJpegOffset, 0x5000), longValue(kJpegLength, previewLength)});
  b.chain({filled({b.string(kMake, "SONY"), b.string(kModel, model), b.subIfds({sub})}, 4)});
  return b;
}

TEST(Sr2FileCheck, RawStripAndPreview) {
  TiffFixture f;
  for (uint32_t previewLength : {1024u, 1025u}) {
    f.place(sr2(previewLength));
    EXPECT_EQ(f.size(FileType::Sr2), 0x210000u + 512);
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
  // Alone, SR2 takes a Model that starts with "DSC-R1"; behind ARW only the exact "DSC-R1".
  auto found = scanImage(image, {FileType::Sr2});
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1].folder, "SR2 Files");
  EXPECT_EQ(found[1].sector, 8000u);
  EXPECT_EQ(found[2].folder, "RAW Jpg Files");
  found = scanImage(image, {FileType::Arw, FileType::Sr2});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].folder, "SR2 Files");
  EXPECT_EQ(found[0].sector, 100u);
  EXPECT_EQ(found[1].folder, "RAW Jpg Files");
}

}  // namespace
}  // namespace salvonix::test
