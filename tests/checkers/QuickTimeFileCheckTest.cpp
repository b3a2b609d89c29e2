// The QuickTime family: which checker claims which first atom and brand, and
// the atom walk with its per-type differences.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

using Types = std::vector<FileType>;

constexpr std::pair<FileType, const char*> kFamily[] = {
    {FileType::Mov, "qt  "}, {FileType::Mp4, "isom"},     {FileType::M4a, "M4A "},       {FileType::M4b, "M4B "},
    {FileType::M4v, "M4V "}, {FileType::ThreeGP, "3gp4"}, {FileType::ThreeGTwo, "3g2a"}};

ByteBuilder atom(ByteBuilder b, std::string_view type, uint32_t size) {
  return b.be32(size).text(type).fill(size > 8 ? size - 8 : 0, 0x00);
}

ByteBuilder ftyp(std::string_view brand, uint32_t size = 24) {
  return ByteBuilder().be32(size).text("ftyp").text(brand).padTo(size, 0);
}

// The start, moov (1,000), mdat (50,000), then bytes that are no atom type.
Bytes chain(ByteBuilder start) { return atom(atom(start, "moov", 1000), "mdat", 50000).text("abcdefgh").bytes; }

Types claimants(const Bytes& file) {
  Types found;
  for (const auto& [type, brand] : kFamily)
    if (FileOnImage(type, file).isFile()) found.push_back(type);
  return found;
}

uint64_t walk(FileType type, const Bytes& file) { return FileOnImage(type, file).size(); }

TEST(QuickTimeFileCheck, FirstAtomAndBrandDecideTheType) {
  const std::vector<std::pair<const char*, Types>> brands = {
      {"qt  ", {FileType::Mov}}, {"isom", {FileType::Mp4}},     {"mp42", {FileType::Mp4}},
      {"M4A ", {FileType::M4a}}, {"M4B ", {FileType::M4b}},     {"M4V ", {FileType::M4v}},
      {"M4VP", {FileType::M4v}}, {"3gp5", {FileType::ThreeGP}}, {"3g2a", {FileType::ThreeGTwo}},
      {"qXYZ", {FileType::Mp4}}, {"xtab", {FileType::Mp4}}};  // only qt is QuickTime's own
  for (const auto& [brand, types] : brands) EXPECT_EQ(claimants(chain(ftyp(brand))), types) << brand;
  for (const char* first : {"moov", "mdat", "free"})
    EXPECT_EQ(claimants(chain(atom({}, first, 100))), first[0] == 'f' ? Types{} : Types{FileType::Mov}) << first;
}

TEST(QuickTimeFileCheck, HeaderTestOfFirstAtomSizeAndSecondAtom) {
  // 3GP and 3G2 check neither the first atom's size nor the type of the atom after it.
  for (const auto& [type, brand] : kFamily) {
    const bool checks = type != FileType::ThreeGP && type != FileType::ThreeGTwo;
    for (uint32_t size : {7u, 8u, 1048576u, 1048577u, 0x12000000u}) {
      // Up to 8 bytes the brand doubles as the next atom's size field.
      const Bytes file = size == 1048576 ? chain(ftyp(brand, size))
                                         : ByteBuilder().be32(size).text("ftyp").text(brand).text("moov").bytes;
      EXPECT_EQ(FileOnImage(type, file).isFile(), (size >= 8 && size <= 1048576) || !checks) << brand << size;
    }
    EXPECT_EQ(FileOnImage(type, atom(ftyp(brand), "abcd", 100).bytes).isFile(), !checks) << brand;
  }
}

TEST(QuickTimeFileCheck, WalkOfTheTopLevelChain) {
  for (const auto& [type, brand] : kFamily) {
    const bool noSmallFiles = type == FileType::Mov || type == FileType::Mp4;
    EXPECT_EQ(walk(type, chain(ftyp(brand))), 51536u) << brand;
    // Totals up to 10,239 (or cancelled walks): nothing for MOV and MP4, the slack alone for the others.
    EXPECT_EQ(FileOnImage(type, chain(ftyp(brand))).cancelledSize(), noSmallFiles ? 0u : 512u) << brand;
    const ByteBuilder small = atom(ftyp(brand), "mdat", 9976);
    EXPECT_EQ(walk(type, small.bytes), noSmallFiles ? 0u : 512u) << brand;
    EXPECT_EQ(walk(type, atom(small, "mdat", 240).bytes), 10240u + 512) << brand;
    // An atom of size 0 runs to the end of the file: the walk ends there.
    const ByteBuilder zero = atom(atom(ftyp(brand), "moov", 20000).be32(0).text("mdat"), "free", 30000);
    EXPECT_EQ(walk(type, zero.bytes), 20024u + 512) << brand;
    // A 64-bit size (size field 1) of 16 bytes or more, within the device.
    for (const auto& [large, size] : {std::pair<uint64_t, uint64_t>{30016, 20024 + 30016 + 512}, {15, 20024 + 512},
                                      {uint64_t{1} << 40, 20024 + 512}}) {
      ByteBuilder b = atom(ftyp(brand), "moov", 20000).be32(1).text("mdat").be64(large);
      EXPECT_EQ(walk(type, b.padTo(20024 + 30016, 0).text("abcdefgh").bytes), size) << brand << large;
    }
  }
}

TEST(QuickTimeFileCheck, WalkCrossesWindowEdges) {
  for (const auto& [type, brand] : kFamily) {
    // An atom header at 65,530 of the first window, and another past the second window's edge.
    const ByteBuilder b =
        atom(atom(atom(atom(atom(ftyp(brand), "moov", 65530 - 24), "free", 8), "mdat", 65536 + 300), "skip", 70000),
             "uuid", 16);
    for (uint32_t bytesPerSector : {512u, 4096u})
      EXPECT_EQ(FileOnImage(type, b.bytes, 11, bytesPerSector).size(), b.size() + 512) << brand << bytesPerSector;
  }
}

TEST(QuickTimeFileCheck, TotalCapForAllButMovAndM4a) {
  // ftyp (24) and an mdat that takes the total past 2,147,483,640, then a free atom.
  constexpr uint32_t kMdat = 2147483620;
  const uint64_t capped = 24 + uint64_t{kMdat};
  for (const auto& [type, brand] : kFamily) {
    TempDir dir;
    TestImage image(dir.file("d.img"), capped + (1u << 20));
    image.put(0, ftyp(brand).be32(kMdat).text("mdat").bytes);
    image.put(capped, ByteBuilder().be32(100).text("free").bytes);
    const bool uncapped = type == FileType::Mov || type == FileType::M4a;
    EXPECT_EQ(CheckerRun(image.path(), type).size(0), (uncapped ? capped + 100 : capped) + 512) << brand;
  }
}

}  // namespace
}  // namespace salvonix::test
