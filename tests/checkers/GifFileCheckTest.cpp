// GIF: signatures, the block walk (extensions, images, sub-blocks), window
// moves, the zero-run and 5 MiB limits.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

// Signature and logical screen descriptor; packed 0x80 | n gives a global
// colour table of 2^(n+1) entries.
ByteBuilder gifStart(const char* version = "89a", uint8_t packed = 0x80) {
  ByteBuilder b;
  b.text("GIF").text(version).be16(0x0100).be16(0x0100).u8(packed).u8(0).u8(0);
  if (packed & 0x80) b.fill(3u << ((packed & 7) + 1), 0x40);
  return b;
}

// An image descriptor without a local table and its LZW data in sub-blocks.
ByteBuilder& image(ByteBuilder& b, std::size_t dataBytes, uint8_t subBlock = 255) {
  b.u8(0x2C).be16(0).be16(0).be16(0x0100).be16(0x0100).u8(0).u8(2);
  while (dataBytes > 0) {
    const std::size_t n = std::min<std::size_t>(subBlock, dataBytes);
    b.u8(static_cast<uint8_t>(n)).fill(n, 0x33);
    dataBytes -= n;
  }
  return b.u8(0);
}

// A comment extension of exactly totalBytes (at least 5) bytes.
ByteBuilder& comment(ByteBuilder& b, std::size_t totalBytes) {
  b.u8(0x21).u8(0xFE);
  std::size_t left = totalBytes - 3;  // sub-blocks with their size bytes
  while (left > 0) {
    std::size_t piece = std::min<std::size_t>(256, left);
    if (left - piece == 1) piece -= 1;  // never leave a lone size byte
    b.u8(static_cast<uint8_t>(piece - 1)).fill(piece - 1, 'c');
    left -= piece;
  }
  return b.u8(0);
}

ByteBuilder& graphicControl(ByteBuilder& b) { return b.u8(0x21).u8(0xF9).u8(4).fill(4, 1).u8(0); }

TEST(GifFileCheck, Signatures) {
  for (const char* version : {"87a", "89a"}) {
    ByteBuilder b = gifStart(version);
    EXPECT_TRUE(FileOnImage(FileType::Gif, image(b, 10).u8(0x3B).bytes).isFile()) << version;
  }
  for (const char* version : {"88a", "89b"}) {
    ByteBuilder b = gifStart(version);
    EXPECT_FALSE(FileOnImage(FileType::Gif, image(b, 10).u8(0x3B).bytes).isFile()) << version;
  }
  FileOnImage any(FileType::Gif, gifStart().bytes);
  EXPECT_TRUE(any.checker().mayStartWith('G'));
  EXPECT_FALSE(any.checker().mayStartWith('F'));
}

TEST(GifFileCheck, WellFormedFileGetsItsLengthAndFiveHundredTwelve) {
  // 1x1 GIF89a: global table of 2 entries, a graphic control extension, an image, the trailer.
  ByteBuilder tiny = gifStart("89a", 0x80);
  graphicControl(tiny);
  image(tiny, 2).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, tiny.bytes).size(), tiny.size() + 512);

  // Application and comment extensions, local colour tables, several frames.
  ByteBuilder animated = gifStart("89a", 0x87);
  animated.u8(0x21).u8(0xFF).u8(11).text("NETSCAPE2.0").u8(3).u8(1).be16(0).u8(0);
  for (int frame = 0; frame < 3; ++frame) {
    graphicControl(animated);
    animated.u8(0x2C).be16(0).be16(0).be16(8).be16(8).u8(0x81).fill(12, 0x10).u8(2).u8(5).fill(5, 9).u8(0);
  }
  animated.u8(0x21).u8(0xFE).u8(5).text("hello").u8(0).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, animated.bytes).size(), animated.size() + 512);
}

TEST(GifFileCheck, ExtensionsAreSteppedOverWholeWhateverTheirSubBlocks) {
  // A comment of three sub-blocks, the second of 59 (0x3B) bytes: neither
  // mistaken for the trailer nor for a block.
  ByteBuilder b = gifStart();
  b.u8(0x21).u8(0xFE).u8(10).fill(10, 'a').u8(59).fill(59, 'b').u8(200).fill(200, 'c').u8(0);
  image(b, 1000).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, b.bytes).size(), b.size() + 512);
}

TEST(GifFileCheck, WalkEndsAtAnUnexpectedByteOrALongZeroRun) {
  ByteBuilder broken = gifStart();
  image(broken, 500);
  const std::size_t end = broken.size();
  broken.u8(0x99);
  EXPECT_EQ(FileOnImage(FileType::Gif, broken.bytes).size(), end + 512);

  // Nothing walked beyond 24 bytes: no file.
  ByteBuilder bare = gifStart("89a", 0);
  bare.u8(0x99);
  EXPECT_EQ(FileOnImage(FileType::Gif, bare.bytes).size(), 0u);

  // 2,048 zero bytes are passed over; the 2,049th ends the walk without slack.
  ByteBuilder zeros = gifStart();
  image(zeros, 500);
  const std::size_t zerosStart = zeros.size();
  zeros.fill(2048, 0).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, zeros.bytes).size(), zeros.size() + 512);
  zeros.bytes.pop_back();
  zeros.fill(1, 0).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, zeros.bytes).size(), zerosStart + 2049);
}

TEST(GifFileCheck, WalkCrossesWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // Image data across 64 KiB, and a second image whose descriptor straddles 65,536.
    ByteBuilder b = gifStart();
    image(b, 40000);
    comment(b, 65536 - 5 - b.size());
    ASSERT_EQ(b.size(), 65531u);
    image(b, 90000);
    b.u8(0x3B);
    FileOnImage file(FileType::Gif, b.bytes, 7, bytesPerSector);
    EXPECT_EQ(file.size(), b.size() + 512) << bytesPerSector;
  }
}

TEST(GifFileCheck, WalkBeyondFiveMiBIsRecordedAsFiveMiB) {
  ByteBuilder b = gifStart();
  image(b, 5300000).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, b.bytes).size(), 5242880u);
  ByteBuilder justUnder = gifStart();
  image(justUnder, 5200000).u8(0x3B);
  EXPECT_EQ(FileOnImage(FileType::Gif, justUnder.bytes).size(), justUnder.size() + 512);
}

TEST(GifFileCheck, CancelledWalkKeepsTheOffsetReached) {
  ByteBuilder b = gifStart("89a", 0x87);  // 768-byte global table
  image(b, 100).u8(0x3B);
  FileOnImage file(FileType::Gif, b.bytes);
  file.context().bCancelScanning = true;
  EXPECT_EQ(file.size(), 13u + 768 + 512);
}

}  // namespace
}  // namespace salvonix
