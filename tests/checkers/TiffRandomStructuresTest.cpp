// Every TIFF-based checker on IFDs of random entries with the tags the checkers follow:
// the header tests and size rules must end, stay within their limits and their window.

#include <gtest/gtest.h>

#include <random>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

constexpr uint16_t kTags[] = {0x00FE, kMake, kModel, kStripOffsets, kStripByteCounts, 0x0144, 0x0145,
                              kSubIfds, kJpegOffset, kJpegLength, 0x02BC, 0x8769, 0x927C, kDngVersion,
                              0xC634, 0x002E, 0xFDE9, 0x0081, 0x2020, kImageWidth};
const char* const kStrings[] = {"Canon", "NIKON", "LEICA", "Phase", "PENTAX", "OLYMPUS", "Panasonic", "Hasselblad",
                                "SONY", "DSLR-A700", "DSLR-A100", "DSC-R1", "KODAK DC25", "DCS Pro 14n", "OLYMP",
                                "PENTAX *ist D"};

Bytes randomTiff(std::mt19937& random, uint32_t length) {
  std::uniform_int_distribution<uint32_t> any;
  auto below = [&](uint32_t n) { return any(random) % n; };
  TiffBuilder b(below(2) == 0);
  const uint8_t magics[][2] = {{'*', 0}, {0, '*'}, {'R', 'O'}, {'R', 'S'}, {'U', 0}};
  const auto& magic = magics[below(5)];
  b.magic(magic[0], magic[1]);
  if (below(4) == 0) b.putBytes(8, {'C', 'R', 2, 0});
  b.padTo(length);
  for (int s = 0; s < 20; ++s) {
    const std::string text = kStrings[below(std::size(kStrings))];
    b.putBytes(below(length - 40), Bytes(text.c_str(), text.c_str() + text.size() + 1));
  }
  auto value = [&] {
    const uint32_t kind = below(4);
    return kind == 0 ? below(length) : kind == 1 ? below(64) : kind == 2 ? any(random) : below(length) & ~3u;
  };
  for (int d = 0; d < 12; ++d) {
    const uint32_t at = below(length - 1300) & ~1u;
    const uint32_t entries = below(8) == 0 ? below(200) : 2 + below(20);
    Ifd list;
    for (uint32_t k = 0; k < std::min(entries, 100u); ++k) {
      const uint16_t type = static_cast<uint16_t>(below(3) == 0 ? below(20) : uint32_t{kLong});
      const uint32_t count = below(3) == 0 ? any(random) : below(4) == 0 ? 65535 - below(3) : below(30);
      list.push_back({kTags[below(std::size(kTags))], type, count, value()});
    }
    b.writeIfd(at, list, below(3) == 0 ? 0 : value());
    if (d == 0) b.setIfd0(at);
  }
  Bytes bytes = b.bytes();
  bytes.resize(length);
  return bytes;
}

TEST(TiffRandomStructures, CheckersEndAndStayWithinLimits) {
  TiffFixture f(512, 64 << 20);
  std::mt19937 random(20240607);
  constexpr uint32_t kFiles = 150, kSectorsPerFile = 128;
  for (uint32_t i = 0; i < kFiles; ++i) f.placeBytes(randomTiff(random, kSectorsPerFile * 512), i * kSectorsPerFile);
  std::vector<std::unique_ptr<FileCheck>> checkers;
  for (FileType type : {FileType::Arw, FileType::Sr2, FileType::Kdc, FileType::K25, FileType::Dcr, FileType::Pef,
                        FileType::Dng, FileType::Cr2, FileType::Nef, FileType::Tiff, FileType::Orf,
                        FileType::RawPanasonic, FileType::Leica, FileType::ThreeFR})
    checkers.push_back(f.checker(type));
  uint64_t accepted = 0;
  for (uint32_t i = 0; i < kFiles; ++i) {
    const uint64_t sector = i * kSectorsPerFile;
    for (auto& checker : checkers) {
      const uint64_t size = f.size(*checker, sector);
      EXPECT_LE(size, 0xC800000u + 512 + 0x1900000 + 514) << checker->parentKey() << " file " << i;
      accepted += size != 0;
      if (f.context.bRawJpgFileFound) {
        EXPECT_LT(f.context.uExtraBytesOfJpgFileOffset, 512u);
        EXPECT_GE(f.context.u64RawJpgFileSectorNumber, sector);
      }
    }
  }
  EXPECT_GT(accepted, 0u);  // plausible enough that some are taken
}

}  // namespace
}  // namespace salvonix::test
