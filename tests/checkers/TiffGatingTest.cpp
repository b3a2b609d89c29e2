// The first selected TIFF-family checker classifies and the later ones read its verdict:
// whatever the selection, each file lands in its own folder with the same size.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

using T = FileType;

struct Placed {
  uint64_t sector;
  std::string folder;
  uint64_t size;
  Bytes bytes;
};

std::vector<Placed> fiveFiles() {
  std::vector<Placed> files;
  TiffBuilder tiff;
  tiff.chain({filled(Ifd{longValue(kImageWidth, 8)} + strip(0x400, 0x800), 5)});
  files.push_back({100, "TIFF Files", 8 + 66 + 0x800 + 512, tiff.bytes()});
  TiffBuilder canon(false);  // camera rule: the Make lies before IFD0, the strip ends at 0xC00
  canon.chain({filled(Ifd{canon.string(kMake, "Canon")} + strip(0x400, 0x800), 5)});
  files.push_back({300, "TIFF Files", 8 + 0xC00 + 512, canon.bytes()});
  TiffBuilder nikon;  // without SubIFDs no NEF
  nikon.chain({filled(Ifd{nikon.string(kMake, "NIKON")} + strip(0x400, 0x400), 5)});
  files.push_back({400, "TIFF Files", 8 + 0x800 + 512, nikon.bytes()});
  TiffBuilder cr2;
  cr2.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
  cr2.chain({filled(Ifd{cr2.string(kMake, "Canon")} + strip(0x600, 0x600), 4), strip(0x1000, 0x3000)});
  files.push_back({500, "CR2 Files", 0x4000, cr2.bytes()});
  TiffBuilder dcr;
  dcr.chain({filled({dcr.string(kMake, "Eastman Kodak Company"), dcr.string(kModel, "DCS Pro 14n"),
                     dcr.subIfds({strip(0x1000, 0x8000)})}, 4)});
  files.push_back({700, "Kodak Dcr Files", 0x9000 + 512, dcr.bytes()});
  TiffBuilder nef;
  nef.chain({filled({nef.string(kMake, "NIKON CORPORATION"), nef.subIfds({strip(0x2000, 0x4000)})}, 4)});
  files.push_back({900, "NEF Files", 0x6000, nef.bytes()});
  return files;
}

// A scan with these types finds exactly the files whose folder is in `folders`, moved by `shift` sectors.
void expectFound(const std::string& image, uint64_t shift, std::initializer_list<FileType> types,
                 const std::set<std::string>& folders) {
  std::map<uint64_t, FoundFile> found;
  for (const FoundFile& file : scanImage(image, types))
    if (file.folder != "RAW Jpg Files") found[file.sector] = file;
  std::size_t expected = 0;
  for (const Placed& placed : fiveFiles()) {
    const auto it = found.find(placed.sector + shift);
    if (!folders.count(placed.folder)) {
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

std::string imageWithFiles(const TempDir& dir, uint64_t shift) {
  const std::string path = dir.file("disk" + std::to_string(shift) + ".img");
  TestImage disk(path, 8 << 20);
  for (const Placed& placed : fiveFiles()) disk.putAtSector(placed.sector + shift, placed.bytes);
  return path;
}

TEST(TiffGating, EachSelectionFindsItsFiles) {
  TempDir dir;
  const std::string image = imageWithFiles(dir, 0);
  const std::set<std::string> all4 = {"TIFF Files", "CR2 Files", "Kodak Dcr Files", "NEF Files"};
  expectFound(image, 0, {T::Tiff}, {"TIFF Files"});
  expectFound(image, 0, {T::Arw, T::Tiff}, {"TIFF Files"});
  expectFound(image, 0, {T::Arw, T::Cr2, T::Nef, T::Dcr, T::Tiff}, all4);
  expectFound(image, 0, {T::Kdc, T::K25, T::Dcr}, {"Kodak Dcr Files"});
  expectFound(image, 0, {T::Kdc, T::Dcr, T::Tiff}, {"Kodak Dcr Files", "TIFF Files"});
  expectFound(image, 0, {T::Dcr, T::Cr2, T::Tiff}, {"Kodak Dcr Files", "CR2 Files", "TIFF Files"});
  expectFound(image, 0, {T::Cr2, T::Nef}, {"CR2 Files", "NEF Files"});
  expectFound(image, 0, {T::Pef, T::Nef, T::Tiff, T::Orf}, {"NEF Files", "TIFF Files"});
  expectFound(image, 0,
              {T::Mpg, T::Mrw, T::Bmp, T::Raf, T::X3f, T::Aif, T::Gif, T::Mp3, T::Arw, T::Sr2, T::Kdc, T::K25,
               T::Dcr, T::Pef, T::Dng, T::Cr2, T::Nef, T::Tiff, T::Orf, T::RawPanasonic, T::Leica, T::ThreeFR,
               T::Crw, T::Mid, T::Avi, T::Wav, T::Png, T::Jpg, T::Mov, T::Mp4, T::M4a, T::M4b, T::M4v,
               T::ThreeGP, T::ThreeGTwo},
              all4);
}

// The same files further into the device, across window edges.
TEST(TiffGating, OffsetShift) {
  TempDir dir;
  for (uint64_t shift : {1u, 7u, 127u, 128u, 129u, 4095u}) {
    SCOPED_TRACE(shift);
    const std::string image = imageWithFiles(dir, shift);
    expectFound(image, shift, {T::Arw, T::Cr2, T::Nef, T::Dcr, T::Tiff},
                {"TIFF Files", "CR2 Files", "Kodak Dcr Files", "NEF Files"});
    expectFound(image, shift, {T::Tiff, T::Cr2}, {"TIFF Files", "CR2 Files"});
  }
}

}  // namespace
}  // namespace salvonix::test
