// PNG: signature, the chunk walk with its known types, window moves and the
// size limits.

#include <gtest/gtest.h>

#include <zlib.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

// Signature and a 13-byte IHDR chunk (CRCs are never checked).
ByteBuilder pngStart() {
  return ByteBuilder().u8(0x89).text("PNG\r\n\x1a\n").be32(13).text("IHDR").be32(640).be32(480).fill(5, 8).be32(1);
}

ByteBuilder chunk(ByteBuilder b, std::string_view type, uint32_t length) {
  return b.be32(length).text(type).fill(length, 0x5A).be32(0x12345678);
}

// A chunk with the CRC a writer computes.
ByteBuilder checkedChunk(ByteBuilder b, std::string_view type, uint32_t length) {
  const std::size_t start = b.size() + 4;
  b.be32(length).text(type).fill(length, 0x5A);
  return b.be32(crc32(0, b.bytes.data() + start, static_cast<uInt>(b.size() - start)));
}

uint64_t pngSize(const ByteBuilder& b) { return FileOnImage(FileType::Png, b.bytes).size(); }

TEST(PngFileCheck, SignatureIsTheMagicAndAnIhdrChunk) {
  // The line-ending bytes of the magic (4 to 7) are not examined.
  for (const auto& [at, valid] : {std::pair{1, false}, {5, true}, {12, false}}) {
    Bytes png = chunk(pngStart(), "IEND", 0).bytes;
    png[at] ^= 0x20;
    EXPECT_EQ(FileOnImage(FileType::Png, png).isFile(), valid) << at;
  }
}

TEST(PngFileCheck, WalkOverKnownChunksAndCancellation) {
  const ByteBuilder png = chunk(chunk(pngStart(), "IDAT", 100), "IEND", 0);
  EXPECT_EQ(pngSize(png), png.size() + 512);
  EXPECT_EQ(FileOnImage(FileType::Png, png.bytes).cancelledSize(), 0u);  // o still at the IHDR CRC
  // Other chunks are walked when their CRC matches (iDOT, eXIf, animation,
  // private ones); otherwise the walk ends before them: as the second chunk,
  // no file; later, up to the last chunk's CRC plus 516.
  for (const char* type : {"iDOT", "eXIf", "acTL", "fdAT", "prVt"}) {
    const ByteBuilder whole = chunk(chunk(checkedChunk(pngStart(), type, 40), "IDAT", 100), "IEND", 0);
    EXPECT_EQ(pngSize(whole), whole.size() + 512) << type;
    EXPECT_EQ(pngSize(chunk(chunk(pngStart(), type, 40), "IEND", 0)), 0u) << type;
  }
  EXPECT_EQ(pngSize(chunk(checkedChunk(pngStart(), "iD0T", 40), "IEND", 0)), 0u);  // not four letters
  const ByteBuilder known = chunk(pngStart(), "IDAT", 300);
  EXPECT_EQ(pngSize(chunk(chunk(known, "vpAg", 9), "IEND", 0)), known.size() - 4 + 516);
  // IEND ends the file, whatever follows it.
  EXPECT_EQ(pngSize(chunk(chunk(known, "IEND", 0), "IDAT", 300)), known.size() + 12 + 512);
}

TEST(PngFileCheck, WalkCrossesWindowEdges) {
  // IDAT chunks sized so that one chunk's length field straddles 65,536.
  const ByteBuilder edge = chunk(chunk(pngStart(), "IDAT", 40000), "IDAT", 65536 - 2 - 40045 - 12);
  ASSERT_EQ(edge.size(), 65534u);
  const ByteBuilder b = chunk(chunk(chunk(edge, "IDAT", 70000), "tEXt", 20), "IEND", 0);
  for (uint32_t bytesPerSector : {512u, 4096u})
    EXPECT_EQ(FileOnImage(FileType::Png, b.bytes, 5, bytesPerSector).size(), b.size() + 512) << bytesPerSector;
}

TEST(PngFileCheck, LengthAndOffsetLimits) {
  constexpr uint32_t kLongest = 51404800;
  // A chunk longer than the limit ends the walk without being counted.
  const ByteBuilder tooLong = chunk(pngStart(), "IDAT", 100).be32(kLongest + 1).text("IDAT");
  EXPECT_EQ(FileOnImage(FileType::Png, tooLong.bytes, 3, 512, 2u << 20).size(), 29u + 112 + 516);

  // Chunk headers on a sparse image. o, the offset of the current chunk's
  // CRC, passes 52,428,799 after the second chunk: the walk stops there
  // although IEND follows; if o is then beyond 102,809,600, 5 MiB + 516.
  const auto walk = [](uint32_t secondLength) {
    const auto header = [](uint32_t length, const char* type) { return ByteBuilder().be32(length).text(type).bytes; };
    const uint64_t o = 29 + uint64_t{kLongest} + 12;
    TempDir dir;
    TestImage image(dir.file("d.img"), 120u << 20);
    image.put(0, pngStart().bytes);
    image.put(33, header(kLongest, "IDAT"));
    image.put(o + 4, header(secondLength, "IDAT"));
    image.put(o + 12 + secondLength + 4, header(10, "IEND"));
    return CheckerRun(image.path(), FileType::Png).size(0);
  };
  EXPECT_EQ(walk(2000000), 29 + uint64_t{kLongest} + 12 + 2000012 + 516);
  EXPECT_EQ(walk(kLongest), 5243396u);
}

}  // namespace
}  // namespace salvonix::test
