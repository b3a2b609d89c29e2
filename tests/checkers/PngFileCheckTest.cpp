// PNG: signature, the chunk walk with its known types, window moves and the
// size limits.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

// Signature and a 13-byte IHDR chunk (CRCs are never checked).
ByteBuilder pngStart() {
  ByteBuilder b;
  b.u8(0x89).text("PNG\r\n\x1a\n").be32(13).text("IHDR").be32(640).be32(480).fill(5, 8).be32(0xC0FFEE);
  return b;
}

ByteBuilder& chunk(ByteBuilder& b, std::string_view type, uint32_t length) {
  return b.be32(length).text(type).fill(length, 0x5A).be32(0x12345678);
}

Bytes minimalPng(std::size_t idatLength = 100) {
  ByteBuilder b = pngStart();
  chunk(b, "IDAT", static_cast<uint32_t>(idatLength));
  chunk(b, "IEND", 0);
  return b.bytes;
}

TEST(PngFileCheck, SignatureIsTheMagicAndAnIhdrChunk) {
  Bytes png = minimalPng();
  FileOnImage plain(FileType::Png, png);
  EXPECT_TRUE(plain.isFile());
  EXPECT_TRUE(plain.checker().mayStartWith(0x89));
  EXPECT_FALSE(plain.checker().mayStartWith('P'));

  Bytes lineEndingsDamaged = png;
  std::fill(lineEndingsDamaged.begin() + 4, lineEndingsDamaged.begin() + 12, 0xEE);  // not examined
  EXPECT_TRUE(FileOnImage(FileType::Png, lineEndingsDamaged).isFile());

  Bytes noIhdr = png;
  noIhdr[12] = 'i';
  EXPECT_FALSE(FileOnImage(FileType::Png, noIhdr).isFile());
  Bytes notPng = png;
  notPng[1] = 'M';
  EXPECT_FALSE(FileOnImage(FileType::Png, notPng).isFile());
}

TEST(PngFileCheck, WellFormedFileGetsItsLengthAndFiveHundredTwelve) {
  const Bytes png = minimalPng();
  EXPECT_EQ(FileOnImage(FileType::Png, png).size(), png.size() + 512);

  // Every known chunk type is walked over, in any order.
  ByteBuilder all = pngStart();
  for (const char* type : {"PLTE", "cHRM", "gAMA", "iCCP", "sBIT", "sRGB", "bKGD", "hIST", "tRNS", "pHYs", "sPLT",
                           "tIME", "iTXt", "tEXt", "zTXt", "IHDR", "IDAT", "IEND"})
    chunk(all, type, 7);
  EXPECT_EQ(FileOnImage(FileType::Png, all.bytes).size(), all.size() + 512);
}

TEST(PngFileCheck, UnknownChunkTypeEndsTheWalk) {
  for (const char* type : {"iDOT", "eXIf", "idat"}) {
    ByteBuilder second = pngStart();
    chunk(second, type, 10);
    chunk(second, "IEND", 0);
    EXPECT_EQ(FileOnImage(FileType::Png, second.bytes).size(), 0u) << type;
  }
  // Later in the file: recorded up to the last known chunk's CRC plus 516.
  ByteBuilder later = pngStart();
  chunk(later, "IDAT", 300);
  const std::size_t lastCrc = later.size() - 4;
  chunk(later, "vpAg", 9);
  chunk(later, "IEND", 0);
  EXPECT_EQ(FileOnImage(FileType::Png, later.bytes).size(), lastCrc + 516);
}

TEST(PngFileCheck, WalkCrossesWindowEdges) {
  // IDAT chunks sized so that one chunk's length field straddles 65,536.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    ByteBuilder b = pngStart();
    chunk(b, "IDAT", 40000);
    const uint32_t toEdge = 65536 - 2 - static_cast<uint32_t>(b.size()) - 12;
    chunk(b, "IDAT", toEdge);
    ASSERT_EQ(b.size(), 65534u);
    chunk(b, "IDAT", 70000);
    chunk(b, "tEXt", 20);
    chunk(b, "IEND", 0);
    FileOnImage file(FileType::Png, b.bytes, 5, bytesPerSector);
    EXPECT_EQ(file.size(), b.size() + 512) << bytesPerSector;
  }
}

TEST(PngFileCheck, LengthAndOffsetLimits) {
  constexpr uint32_t kLongest = 51404800;
  // A chunk longer than the limit ends the walk without being counted.
  {
    ByteBuilder b = pngStart();
    chunk(b, "IDAT", 100);
    b.be32(kLongest + 1).text("IDAT");
    EXPECT_EQ(FileOnImage(FileType::Png, b.bytes, 3, 512, 2u << 20).size(), 29u + 112 + 516);
  }
  // The longest chunk is walked over (the image is sparse beyond what is written).
  Bytes header = pngStart().bytes;
  ByteBuilder first;
  first.be32(kLongest).text("IDAT");
  const uint64_t afterFirst = 29 + uint64_t{kLongest} + 12;  // 51,404,841: the walk goes on
  {
    test::TempDir dir;
    test::TestImage image(dir.file("d.img"), 120u << 20);
    image.putAtSector(0, header);
    image.put(33, first.bytes);
    image.put(afterFirst + 4, ByteBuilder().be32(2000000).text("IDAT").bytes);
    image.put(afterFirst + 2000012 + 4, ByteBuilder().be32(10).text("IEND").bytes);
    test::CheckerRun run(image.path(), FileType::Png);
    // o passes 52,428,799 after the second chunk: the walk stops although IEND follows.
    EXPECT_EQ(run.size(0), afterFirst + 2000012 + 516);
  }
  {
    test::TempDir dir;
    test::TestImage image(dir.file("d.img"), 120u << 20);
    image.putAtSector(0, header);
    image.put(33, first.bytes);
    image.put(afterFirst + 4, ByteBuilder().be32(kLongest).text("IDAT").bytes);
    test::CheckerRun run(image.path(), FileType::Png);
    // o ends beyond 102,809,600: recorded with 5 MiB + 516.
    EXPECT_EQ(run.size(0), 5243396u);
  }
}

TEST(PngFileCheck, CancelledWalkKeepsWhatTheOffsetGives) {
  FileOnImage file(FileType::Png, minimalPng());
  file.context().bCancelScanning = true;
  // Cancelled before the first chunk: o is still at the IHDR CRC, which is no file.
  EXPECT_EQ(file.size(), 0u);
}

}  // namespace
}  // namespace salvonix
