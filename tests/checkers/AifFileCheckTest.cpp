// AIFF and AIFF-C: header test, chunk walk with pad bytes, window moves, size rules.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

ByteBuilder form(std::string_view type = "AIFF") { return ByteBuilder().text("FORM").be32(0).text(type); }

// After b, a chunk of the given data length with the pad byte that follows odd lengths.
ByteBuilder chunk(ByteBuilder b, std::string_view id, uint32_t length) {
  return b.text(id).be32(length).fill(length, 0x31).fill(length & 1, 0);
}

ByteBuilder aiff(uint32_t soundBytes, std::string_view type = "AIFF") {
  return chunk(chunk(form(type), "COMM", 18), "SSND", soundBytes);
}

uint64_t aifSize(const ByteBuilder& b) { return FileOnImage(FileType::Aif, b.bytes).size(); }

TEST(AifFileCheck, HeaderTest) {
  for (const char* type : {"AIFF", "AIFC", "AIFX"})
    EXPECT_TRUE(FileOnImage(FileType::Aif, aiff(2000, type).bytes).isFile()) << type;
  EXPECT_FALSE(FileOnImage(FileType::Aif, aiff(2000, "AIXF").bytes).isFile());
  // The second chunk must be a known one; it is found even beyond the first window.
  EXPECT_FALSE(FileOnImage(FileType::Aif, chunk(chunk(form(), "COMM", 18), "XXXX", 100).bytes).isFile());
  EXPECT_TRUE(FileOnImage(FileType::Aif, chunk(chunk(form(), "APPL", 200001), "SSND", 100).bytes).isFile());
}

TEST(AifFileCheck, SizeRulesAndCancellation) {
  EXPECT_EQ(aifSize(aiff(1000000).text("data").fill(100, 9)), 26u + 1000008 + 512);
  // Chunks of at most 1,023 bytes in all: the slack alone.
  EXPECT_EQ(aifSize(aiff(1022 - 26 - 8)), 512u);
  EXPECT_EQ(aifSize(aiff(1024 - 26 - 8)), 1024u + 512);
  EXPECT_EQ(aifSize(chunk(form(), "COMM", 18).text("SSND").be32(0xFFFFFFF0)), 62915072u);
  EXPECT_EQ(FileOnImage(FileType::Aif, aiff(100000).bytes).cancelledSize(), 512u);
}

TEST(AifFileCheck, OddLengthsArePaddedWhateverTheChunk) {
  for (uint32_t length : {10u, 11u}) {
    for (const char* id : {"NAME", "COMT"}) {
      const ByteBuilder b = chunk(chunk(chunk(form(), id, length), "COMM", 18), "SSND", 5000);
      EXPECT_EQ(aifSize(b), b.size() - 12 + 512) << id << length;
    }
  }
}

TEST(AifFileCheck, WalkCrossesWindowEdges) {
  // A chunk header straddling 65,536, and more chunks past the next windows.
  const ByteBuilder start = chunk(chunk(form("AIFC"), "FVER", 4), "COMM", 38);
  const ByteBuilder edge = chunk(start, "SSND", static_cast<uint32_t>(65534 - start.size() - 8));
  ASSERT_EQ(edge.size(), 65534u);
  const ByteBuilder b = chunk(chunk(chunk(edge, "MARK", 70001), "APPL", 150000), "AUTH", 7);
  for (uint32_t bytesPerSector : {512u, 4096u})
    EXPECT_EQ(FileOnImage(FileType::Aif, b.bytes, 4, bytesPerSector).size(), b.size() - 12 + 512) << bytesPerSector;
}

}  // namespace
}  // namespace salvonix::test
