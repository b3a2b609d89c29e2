// AIFF and AIFF-C: the header test with its look at the second chunk, the
// chunk walk with pad bytes, window moves and the size rules.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

ByteBuilder form(std::string_view type = "AIFF") {
  ByteBuilder b;
  return b.text("FORM").be32(0).text(type);
}

// A chunk of the given data length, with the pad byte that follows odd lengths.
ByteBuilder& chunk(ByteBuilder& b, std::string_view id, uint32_t length) {
  b.text(id).be32(length).fill(length, 0x31);
  if (length & 1) b.u8(0);
  return b;
}

ByteBuilder aiff(uint32_t soundBytes, std::string_view type = "AIFF") {
  ByteBuilder b = form(type);
  chunk(b, "COMM", 18);
  return chunk(b, "SSND", soundBytes);
}

TEST(AifFileCheck, HeaderTest) {
  for (const char* type : {"AIFF", "AIFC", "AIFX"}) EXPECT_TRUE(FileOnImage(FileType::Aif, aiff(2000, type).bytes).isFile());
  EXPECT_FALSE(FileOnImage(FileType::Aif, aiff(2000, "AIXF").bytes).isFile());
  ByteBuilder riff;
  riff.text("RIFF").be32(0).text("AIFF");
  chunk(chunk(riff, "COMM", 18), "SSND", 100);
  EXPECT_FALSE(FileOnImage(FileType::Aif, riff.bytes).isFile());

  // The second chunk must be a known one; it is found even far away.
  ByteBuilder unknownSecond = form();
  chunk(chunk(unknownSecond, "COMM", 18), "XXXX", 100);
  EXPECT_FALSE(FileOnImage(FileType::Aif, unknownSecond.bytes).isFile());
  ByteBuilder farSecond = form();
  chunk(chunk(farSecond, "APPL", 200001), "SSND", 100);
  EXPECT_TRUE(FileOnImage(FileType::Aif, farSecond.bytes).isFile());
  ByteBuilder copyright = form();
  chunk(chunk(copyright, "(c) ", 20), "SSND", 100);
  EXPECT_TRUE(FileOnImage(FileType::Aif, copyright.bytes).isFile());

  FileOnImage any(FileType::Aif, aiff(10).bytes);
  EXPECT_TRUE(any.checker().mayStartWith('F'));
  EXPECT_FALSE(any.checker().mayStartWith('R'));
}

TEST(AifFileCheck, SizeIsTheChunksAndFiveHundredTwelve) {
  ByteBuilder b = aiff(1000000);
  b.text("data").fill(100, 9);
  EXPECT_EQ(FileOnImage(FileType::Aif, b.bytes).size(), 26u + 1000008 + 512);

  // Chunks of at most 1,023 bytes in all (with pad bytes the total is even): the slack alone.
  EXPECT_EQ(FileOnImage(FileType::Aif, aiff(1022 - 26 - 8).bytes).size(), 512u);
  EXPECT_EQ(FileOnImage(FileType::Aif, aiff(1024 - 26 - 8).bytes).size(), 1024u + 512);

  // Every known chunk is walked over.
  ByteBuilder all = form();
  for (const char* id : {"COMM", "ANNO", "MARK", "INST", "MIDI", "AESD", "APPL", "NAME", "COMT", "AUTH", "FVER",
                         "(c) ", "SSND"})
    chunk(all, id, 100);
  EXPECT_EQ(FileOnImage(FileType::Aif, all.bytes).size(), all.size() - 12 + 512);
}

TEST(AifFileCheck, OddLengthsArePaddedWhateverTheChunk) {
  // Text chunks of even length have no pad byte; odd lengths of any chunk do.
  for (uint32_t nameLength : {10u, 11u}) {
    for (const char* id : {"NAME", "ANNO", "COMT", "AUTH"}) {
      ByteBuilder b = form();
      chunk(b, id, nameLength);
      chunk(chunk(b, "COMM", 18), "SSND", 5000);
      EXPECT_EQ(FileOnImage(FileType::Aif, b.bytes).size(), b.size() - 12 + 512) << id << nameLength;
    }
  }
}

TEST(AifFileCheck, WalkCrossesWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // A chunk header straddling 65,536, and more chunks past the next windows.
    ByteBuilder b = form("AIFC");
    chunk(b, "FVER", 4);
    chunk(b, "COMM", 38);
    chunk(b, "SSND", static_cast<uint32_t>(65534 - b.size() - 8));
    ASSERT_EQ(b.size(), 65534u);
    chunk(chunk(chunk(b, "MARK", 70001), "APPL", 150000), "AUTH", 7);
    FileOnImage file(FileType::Aif, b.bytes, 4, bytesPerSector);
    EXPECT_EQ(file.size(), b.size() - 12 + 512) << bytesPerSector;
  }
}

TEST(AifFileCheck, OverlongChunksAndCancellation) {
  ByteBuilder overlong = form();
  chunk(overlong, "COMM", 18).text("SSND").be32(0xFFFFFFF0);
  EXPECT_EQ(FileOnImage(FileType::Aif, overlong.bytes).size(), 62915072u);

  FileOnImage cancelled(FileType::Aif, aiff(100000).bytes);
  cancelled.context().bCancelScanning = true;
  EXPECT_EQ(cancelled.size(), 512u);
}

}  // namespace
}  // namespace salvonix
