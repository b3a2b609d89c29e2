// GIF: signatures, the block walk (extensions, images, sub-blocks), window
// moves, the zero-run and 5 MiB limits.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

// Signature and screen descriptor; packed 0x80 | n adds a global table of 2^(n+1) entries.
ByteBuilder gifStart(const char* version = "89a", uint8_t packed = 0x80) {
  ByteBuilder b;
  b.text("GIF").text(version).be16(0x0100).be16(0x0100).u8(packed).u8(0).u8(0);
  return b.fill(packed & 0x80 ? 3u << ((packed & 7) + 1) : 0, 0x40);
}

// After b, an image descriptor (with a local table of 4 entries if asked) and its data in sub-blocks.
ByteBuilder image(ByteBuilder b, std::size_t dataBytes, bool localTable = false) {
  b.u8(0x2C).be16(0).be16(0).be16(0x0100).be16(0x0100).u8(localTable ? 0x81 : 0).fill(localTable ? 12 : 0, 0x10);
  b.u8(2);
  for (std::size_t n = 0; dataBytes > 0; dataBytes -= n) {
    n = std::min<std::size_t>(255, dataBytes);
    b.u8(uint8_t(n)).fill(n, 0x33);
  }
  return b.u8(0);
}

uint64_t gifSize(const ByteBuilder& b) { return FileOnImage(FileType::Gif, b.bytes).size(); }

TEST(GifFileCheck, Signatures) {
  for (const auto& [version, valid] : {std::pair{"87a", true}, {"89a", true}, {"88a", false}, {"89b", false}})
    EXPECT_EQ(FileOnImage(FileType::Gif, image(gifStart(version), 10).u8(0x3B).bytes).isFile(), valid) << version;
}

TEST(GifFileCheck, WellFormedFileGetsItsLengthAndFiveHundredTwelve) {
  // 1x1 GIF89a: global table of 2 entries, a graphic control extension, an image, the trailer.
  const ByteBuilder tiny = image(gifStart("89a", 0x80).u8(0x21).u8(0xF9).u8(4).fill(4, 1).u8(0), 2).u8(0x3B);
  EXPECT_EQ(gifSize(tiny), tiny.size() + 512);

  // A comment of three sub-blocks, the second of 59 (0x3B) bytes: each is
  // stepped over whole, none mistaken for the trailer or a block.
  ByteBuilder b = gifStart("89a", 0x87);
  b.u8(0x21).u8(0xFE).u8(10).fill(10, 'a').u8(59).fill(59, 'b').u8(200).fill(200, 'c').u8(0);
  b = image(image(b, 1000, true), 30, true).u8(0x3B);
  EXPECT_EQ(gifSize(b), b.size() + 512);
}

TEST(GifFileCheck, WalkEndsAtAnUnexpectedByteOrALongZeroRun) {
  const ByteBuilder b = image(gifStart(), 500);
  EXPECT_EQ(gifSize(ByteBuilder(b).u8(0x99)), b.size() + 512);
  EXPECT_EQ(gifSize(gifStart("89a", 0).u8(0x99)), 0u);  // nothing walked beyond 24 bytes
  // 2,048 zero bytes are passed over; the 2,049th ends the walk without slack.
  EXPECT_EQ(gifSize(ByteBuilder(b).fill(2048, 0).u8(0x3B)), b.size() + 2049 + 512);
  EXPECT_EQ(gifSize(ByteBuilder(b).fill(2049, 0).u8(0x3B)), b.size() + 2049);
}

TEST(GifFileCheck, WalkCrossesWindowEdges) {
  // A second image whose descriptor straddles 65,536 and whose data crosses 131,072.
  const ByteBuilder first = image(gifStart(), 65244);
  ASSERT_EQ(first.size(), 65531u);
  const ByteBuilder b = image(first, 90000).u8(0x3B);
  for (uint32_t bytesPerSector : {512u, 4096u})
    EXPECT_EQ(FileOnImage(FileType::Gif, b.bytes, 7, bytesPerSector).size(), b.size() + 512) << bytesPerSector;
}

TEST(GifFileCheck, FiveMiBLimitAndCancellation) {
  EXPECT_EQ(gifSize(image(gifStart(), 5300000).u8(0x3B)), 5242880u);
  const ByteBuilder under = image(gifStart(), 5200000).u8(0x3B);
  EXPECT_EQ(gifSize(under), under.size() + 512);
  // Cancelled: the offset reached, past the 768-byte global table.
  EXPECT_EQ(FileOnImage(FileType::Gif, image(gifStart("89a", 0x87), 100).u8(0x3B).bytes).cancelledSize(),
            13u + 768 + 512);
}

}  // namespace
}  // namespace salvonix::test
