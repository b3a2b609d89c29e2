// The QuickTime family: which checker claims which first atom and brand, and
// the atom walk with its four per-type differences.

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

constexpr std::array<FileType, 7> kFamily = {FileType::Mov, FileType::Mp4, FileType::M4a, FileType::M4b,
                                             FileType::M4v, FileType::ThreeGP, FileType::ThreeGTwo};
// Types whose header test checks the first atom's size and the atom after it.
bool confirmsSecondAtom(FileType type) { return type != FileType::ThreeGP && type != FileType::ThreeGTwo; }

ByteBuilder& atom(ByteBuilder& b, std::string_view type, uint32_t size) {
  b.be32(size).text(type);
  if (size > 8) b.fill(size - 8, 0x00);
  return b;
}

ByteBuilder ftyp(std::string_view brand, uint32_t size = 24) {
  ByteBuilder b;
  b.be32(size).text("ftyp").text(brand).padTo(size, 0);
  return b;
}

// ftyp (24), moov (1,000), mdat (50,000), then bytes that are no atom type.
Bytes chain(ByteBuilder start) {
  atom(start, "moov", 1000);
  atom(start, "mdat", 50000);
  return start.text("abcdefgh").bytes;
}

// Which of the seven claim a file.
std::vector<FileType> claimants(const Bytes& file) {
  std::vector<FileType> found;
  for (FileType type : kFamily)
    if (FileOnImage(type, file).isFile()) found.push_back(type);
  return found;
}

using Types = std::vector<FileType>;

TEST(QuickTimeFileCheck, FirstAtomAndBrandDecideTheType) {
  EXPECT_EQ(claimants(chain(ftyp("qt  "))), Types{FileType::Mov});
  EXPECT_EQ(claimants(chain(ftyp("isom"))), Types{FileType::Mp4});
  EXPECT_EQ(claimants(chain(ftyp("mp42"))), Types{FileType::Mp4});
  EXPECT_EQ(claimants(chain(ftyp("M4A "))), Types{FileType::M4a});
  EXPECT_EQ(claimants(chain(ftyp("M4B "))), Types{FileType::M4b});
  EXPECT_EQ(claimants(chain(ftyp("M4V "))), Types{FileType::M4v});
  EXPECT_EQ(claimants(chain(ftyp("M4VP"))), Types{FileType::M4v});
  EXPECT_EQ(claimants(chain(ftyp("3gp5"))), Types{FileType::ThreeGP});
  EXPECT_EQ(claimants(chain(ftyp("3g2a"))), Types{FileType::ThreeGTwo});
  // A brand starting with q (not qt), or with t as its second letter: nobody.
  EXPECT_EQ(claimants(chain(ftyp("qXYZ"))), Types{});
  EXPECT_EQ(claimants(chain(ftyp("xtab"))), Types{});
  // Movie atoms first make a MOV; "free" first is nothing.
  for (const char* first : {"moov", "mdat", "wide", "skip", "pnot", "uuid"}) {
    ByteBuilder b;
    atom(b, first, 100);
    EXPECT_EQ(claimants(chain(b)), Types{FileType::Mov}) << first;
  }
  ByteBuilder free;
  atom(free, "free", 100);
  EXPECT_EQ(claimants(chain(free)), Types{});
}

TEST(QuickTimeFileCheck, HeaderTestOfFirstAtomSizeAndSecondAtom) {
  const std::vector<std::pair<FileType, const char*>> brands = {
      {FileType::Mov, "qt  "}, {FileType::Mp4, "isom"}, {FileType::M4a, "M4A "}, {FileType::M4b, "M4B "},
      {FileType::M4v, "M4V "}, {FileType::ThreeGP, "3gp4"}, {FileType::ThreeGTwo, "3g2a"}};
  for (const auto& [type, brand] : brands) {
    const bool confirms = confirmsSecondAtom(type);
    for (uint32_t size : {7u, 8u, 1048576u, 1048577u}) {
      const bool sizeOk = size >= 8 && size <= 1048576;
      // A first atom of 8 bytes or less: the brand doubles as the next atom's size field.
      const Bytes file = size <= 8 ? ByteBuilder().be32(size).text("ftyp").text(brand).text("moov").fill(100, 0).bytes
                                   : chain(ftyp(brand, size));
      EXPECT_EQ(FileOnImage(type, file).isFile(), sizeOk || !confirms) << brand << size;
    }
    // The atom after the first must have a known type.
    ByteBuilder unknownSecond = ftyp(brand);
    atom(unknownSecond, "abcd", 100);
    EXPECT_EQ(FileOnImage(type, unknownSecond.bytes).isFile(), !confirms) << brand;

    FileOnImage any(type, chain(ftyp(brand)));
    EXPECT_TRUE(any.checker().mayStartWith(0));
    EXPECT_EQ(any.checker().mayStartWith(0x12), !confirms);
    EXPECT_EQ(any.checker().firstByteOfHeader(), 0u);
  }
}

// A file of the type at hand with the given atoms after its first one.
Bytes fileOf(FileType type, const std::function<void(ByteBuilder&)>& rest) {
  ByteBuilder b = type == FileType::Mov       ? ftyp("qt  ")
                  : type == FileType::Mp4     ? ftyp("isom")
                  : type == FileType::M4a     ? ftyp("M4A ")
                  : type == FileType::M4b     ? ftyp("M4B ")
                  : type == FileType::M4v     ? ftyp("M4V ")
                  : type == FileType::ThreeGP ? ftyp("3gp4")
                                              : ftyp("3g2a");
  rest(b);
  return b.bytes;
}

TEST(QuickTimeFileCheck, WalkOfTheTopLevelChain) {
  for (FileType type : kFamily) {
    EXPECT_EQ(FileOnImage(type, fileOf(type, [](ByteBuilder& b) {
                atom(b, "moov", 1000);
                atom(b, "mdat", 50000);
                b.text("abcdefgh");
              })).size(),
              51536u);
    // A short chain: nothing for MOV and MP4, the slack alone for the others.
    const uint64_t small = FileOnImage(type, fileOf(type, [](ByteBuilder& b) { atom(b, "mdat", 9976); })).size();
    EXPECT_EQ(small, type == FileType::Mov || type == FileType::Mp4 ? 0u : 512u);
    const uint64_t justAbove = FileOnImage(type, fileOf(type, [](ByteBuilder& b) { atom(b, "mdat", 10216); })).size();
    EXPECT_EQ(justAbove, 10240u + 512);
  }
}

TEST(QuickTimeFileCheck, AtomOfSizeZero) {
  for (FileType type : kFamily) {
    const Bytes file = fileOf(type, [](ByteBuilder& b) {
      atom(b, "moov", 20000);
      b.be32(0).text("free");  // counted as 8 bytes by MOV only
      atom(b, "mdat", 30000);
    });
    EXPECT_EQ(FileOnImage(type, file).size(), type == FileType::Mov ? 24u + 20000 + 8 + 30000 + 512 : 20024u + 512);
  }
}

TEST(QuickTimeFileCheck, WalkCrossesWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    for (FileType type : kFamily) {
      // An atom header at 65,530 of the first window, and another past the second window's edge.
      const Bytes file = fileOf(type, [](ByteBuilder& b) {
        atom(b, "moov", 65530 - 24);
        atom(b, "free", 8);
        atom(b, "mdat", 65536 + 300);
        atom(b, "skip", 70000);
        atom(b, "uuid", 16);
      });
      FileOnImage onImage(type, file, 11, bytesPerSector);
      EXPECT_EQ(onImage.size(), file.size() + 512) << fileTypeRow(type).key << " " << bytesPerSector;
    }
  }
}

TEST(QuickTimeFileCheck, TotalCapForAllButMovAndM4a) {
  // ftyp (24) and an mdat that takes the total past 2,147,483,640, then a free atom.
  constexpr uint32_t kMdat = 2147483620;
  const uint64_t capped = 24 + uint64_t{kMdat};
  for (FileType type : kFamily) {
    test::TempDir dir;
    test::TestImage image(dir.file("d.img"), capped + (1u << 20));
    image.put(0, fileOf(type, [](ByteBuilder& b) { b.be32(kMdat).text("mdat"); }));
    image.put(capped, ByteBuilder().be32(100).text("free").bytes);
    test::CheckerRun run(image.path(), type);
    const bool uncapped = type == FileType::Mov || type == FileType::M4a;
    EXPECT_EQ(run.size(0), (uncapped ? capped + 100 : capped) + 512) << fileTypeRow(type).key;
  }
}

TEST(QuickTimeFileCheck, CancelledWalkCountsNothing) {
  for (FileType type : kFamily) {
    FileOnImage file(type, fileOf(type, [](ByteBuilder& b) { atom(b, "mdat", 50000); }));
    file.context().bCancelScanning = true;
    EXPECT_EQ(file.size(), type == FileType::Mov || type == FileType::Mp4 ? 0u : 512u);
  }
}

}  // namespace
}  // namespace salvonix
