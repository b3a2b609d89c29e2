// Which checker claims a TIFF-based file depends on the selection: the first
// selected checker in engine order classifies and the later ones read its
// verdict. Whatever the selection, each file lands in its own folder with the
// same size.

#include <gtest/gtest.h>

#include <map>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

using T = FileType;

struct Placed {
  uint64_t sector;
  std::string folder;
  uint64_t size;
};

class TiffGating : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("disk.img");
    TestImage disk(path_, 4 << 20);
    placeFiles(disk, 0);
  }

  // The five files, moved `shift` sectors further into the image.
  void placeFiles(TestImage& disk, uint64_t shift) {
    shift_ = shift;
    files_.clear();
    // Every IFD0 has at least four entries, as the ARW variant asks.
    auto filler = [] { return TiffBuilder::longValue(0x0131, 1); };
    {
      TiffBuilder b(true);
      b.setIfd0(b.appendIfd({TiffBuilder::longValue(kImageWidth, 8), TiffBuilder::longValue(kStripOffsets, 0x400),
                             TiffBuilder::longValue(kStripByteCounts, 0x800), filler(), filler()}));
      put(disk, 100, b, "TIFF Files", 8 + 66 + 0x800 + 512);
    }
    {
      TiffBuilder b(false);
      const TiffEntry make = b.string(kMake, "Canon");
      b.setIfd0(b.appendIfd({make, TiffBuilder::longValue(kStripOffsets, 0x400),
                             TiffBuilder::longValue(kStripByteCounts, 0x800), filler(), filler()}));
      // Camera rule: the Make string lies before IFD0; the strip ends at 0xC00.
      put(disk, 300, b, "TIFF Files", 8 + 0xC00 + 512);
    }
    {
      TiffBuilder b(true);
      b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
      const uint32_t ifd0 = b.appendIfd({b.string(kMake, "Canon"), TiffBuilder::longValue(kStripOffsets, 0x600),
                                         TiffBuilder::longValue(kStripByteCounts, 0x600), filler()});
      const uint32_t raw = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x1000),
                                        TiffBuilder::longValue(kStripByteCounts, 0x3000)});
      b.setIfd0(ifd0);
      b.setNext(ifd0, raw);
      put(disk, 500, b, "CR2 Files", 0x4000);
    }
    {
      TiffBuilder b(true);
      const TiffEntry make = b.string(kMake, "Eastman Kodak Company");
      const TiffEntry model = b.string(kModel, "DCS Pro 14n");
      const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x1000),
                                        TiffBuilder::longValue(kStripByteCounts, 0x8000)});
      b.setIfd0(b.appendIfd({make, model, {kSubIfds, kLong, 1, sub}, filler()}));
      put(disk, 700, b, "Kodak Dcr Files", 0x9000 + 512);
    }
    {
      TiffBuilder b(true);
      const TiffEntry make = b.string(kMake, "NIKON CORPORATION");
      const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x2000),
                                        TiffBuilder::longValue(kStripByteCounts, 0x4000)});
      b.setIfd0(b.appendIfd({make, {kSubIfds, kLong, 1, sub}, filler(), filler()}));
      put(disk, 900, b, "NEF Files", 0x6000);
    }
  }

  void put(TestImage& disk, uint64_t sector, const TiffBuilder& file, const std::string& folder, uint64_t size) {
    disk.putAtSector(sector + shift_, file.bytes());
    files_.push_back({sector + shift_, folder, size});
  }

  // The files a scan with these types finds, by sector.
  std::map<uint64_t, FoundFile> scan(std::initializer_list<FileType> types) {
    std::map<uint64_t, FoundFile> bySector;
    for (const FoundFile& file : scanImage(path_, types))
      if (file.folder != "RAW Jpg Files") bySector[file.sector] = file;
    return bySector;
  }

  // Expects exactly the placed files whose folder is in `folders`.
  void expectFound(std::initializer_list<FileType> types, std::initializer_list<std::string> folders) {
    const auto found = scan(types);
    std::size_t expected = 0;
    for (const Placed& placed : files_) {
      const bool wanted = std::find(folders.begin(), folders.end(), placed.folder) != folders.end();
      const auto it = found.find(placed.sector);
      if (!wanted) {
        EXPECT_TRUE(it == found.end()) << placed.sector << " found in " << it->second.folder;
        continue;
      }
      ++expected;
      ASSERT_TRUE(it != found.end()) << "nothing at " << placed.sector;
      EXPECT_EQ(it->second.folder, placed.folder);
      EXPECT_EQ(it->second.size, placed.size) << placed.sector;
    }
    EXPECT_EQ(found.size(), expected);
  }

  TempDir dir_;
  std::string path_;
  std::vector<Placed> files_;
  uint64_t shift_ = 0;
};

TEST_F(TiffGating, OnlyTiff) { expectFound({T::Tiff}, {"TIFF Files"}); }

TEST_F(TiffGating, ArwClassifiesForTheOthers) {
  expectFound({T::Arw, T::Tiff}, {"TIFF Files"});
  expectFound({T::Arw, T::Cr2, T::Nef, T::Dcr, T::Tiff}, {"TIFF Files", "CR2 Files", "Kodak Dcr Files", "NEF Files"});
}

TEST_F(TiffGating, KodakTypes) {
  expectFound({T::Kdc, T::K25, T::Dcr}, {"Kodak Dcr Files"});
  expectFound({T::Kdc, T::Dcr, T::Tiff}, {"Kodak Dcr Files", "TIFF Files"});
  expectFound({T::Dcr, T::Cr2, T::Tiff}, {"Kodak Dcr Files", "CR2 Files", "TIFF Files"});
}

TEST_F(TiffGating, CameraTypesWithoutArw) {
  expectFound({T::Cr2, T::Nef}, {"CR2 Files", "NEF Files"});
  expectFound({T::Pef, T::Nef, T::Tiff, T::Orf}, {"NEF Files", "TIFF Files"});
}

TEST_F(TiffGating, EveryType) {
  std::initializer_list<FileType> all = {T::Mpg, T::Mrw, T::Bmp, T::Raf, T::X3f, T::Aif, T::Gif, T::Mp3, T::Arw,
                                         T::Sr2, T::Kdc, T::K25, T::Dcr, T::Pef, T::Dng, T::Cr2, T::Nef, T::Tiff,
                                         T::Orf, T::RawPanasonic, T::Leica, T::ThreeFR, T::Crw, T::Mid, T::Avi,
                                         T::Wav, T::Png, T::Jpg, T::Mov, T::Mp4, T::M4a, T::M4b, T::M4v,
                                         T::ThreeGP, T::ThreeGTwo};
  expectFound(all, {"TIFF Files", "CR2 Files", "Kodak Dcr Files", "NEF Files"});
}

// The same files further into the device, across window edges: every one moves
// by the shift and keeps its size.
TEST_F(TiffGating, OffsetShift) {
  for (uint64_t shift : {1u, 7u, 127u, 128u, 129u, 4095u}) {
    SCOPED_TRACE(shift);
    path_ = dir_.file("shifted.img");
    TestImage disk(path_, 8 << 20);
    placeFiles(disk, shift);
    expectFound({T::Arw, T::Cr2, T::Nef, T::Dcr, T::Tiff}, {"TIFF Files", "CR2 Files", "Kodak Dcr Files", "NEF Files"});
    expectFound({T::Tiff, T::Cr2}, {"TIFF Files", "CR2 Files"});
  }
}

}  // namespace
}  // namespace salvonix::test
