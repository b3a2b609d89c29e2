#pragma once
// The parts of CRW, MRW, RAF, X3F and Sigma TIFF files that their checkers
// read, written into test images; everything else stays zero.

#include <string>
#include <vector>

#include "checkers/TiffBuilder.h"
#include "support/EndianWriter.h"
#include "support/TestImage.h"

namespace salvonix::test {

inline constexpr uint64_t kMiB = 1048576;

struct CrwFile {
  static constexpr FileType kType = FileType::Crw;
  bool littleEndian = true;
  uint32_t headerLength = 26;
  uint64_t trailer = 3000000;  // file offset of the trailer, the file's last field
  int entries = 3;             // of the root table; entry 1 names the preview
  uint32_t entry1Tag = 0x2007;
  uint32_t previewSize = 300000;
  uint64_t previewStart = 2097152;
  Bytes preview = {0xFF, 0xD8, 0xFF, 0xDB};
};
void putCrw(const TestImage& image, uint64_t at, const CrwFile& crw);

struct MrwFile {
  static constexpr FileType kType = FileType::Mrw;
  uint32_t blockAreaLength = 1000;
  std::vector<uint32_t> blocksBeforePrd = {};  // body lengths of the blocks ahead of "PRD"
  uint32_t height = 2000, width = 3000;
  uint8_t storage = 0x59;
};
void putMrw(const TestImage& image, uint64_t at, const MrwFile& mrw);

struct RafFile {
  static constexpr FileType kType = FileType::Raf;
  uint32_t previewOffset = 148, previewLength = 2000;
  uint32_t cfaOffset = 4000, cfaLength = 6000000, secondLength = 0;
};
void putRaf(const TestImage& image, uint64_t at, const RafFile& raf);

// The JPEG of the first section starts at 260, after its 28-byte header at 232.
struct X3fFile {
  static constexpr FileType kType = FileType::X3f;
  uint64_t directory = 10000000;  // file offset of "SECd"
  uint32_t entries = 5;
  std::string firstSection = "SECi";
  uint8_t jpegMarker = 0xE1;
  uint32_t entry0Offset = 232, entry0Length = 500000;
  bool endsWithDirectoryOffset = true;
};
void putX3f(const TestImage& image, uint64_t at, const X3fFile& x3f);

void putIfd(const EndianWriter& w, uint64_t at, const std::vector<TiffEntry>& entries, uint32_t next);

// The usual IFD0 stores 6 + 10 + 8 bytes outside its 6 entries and names
// 50,000 strip bytes: 8 + 78 + 24 + 50,000 = 50,110 bytes. Make is at 200.
inline const std::vector<TiffEntry> kSigmaIfd0 = {
    {0x0100, 3, 1, 640},  {0x010F, 2, 6, 200},   {0x0110, 2, 10, 210},
    {0x0111, 4, 1, 1000}, {0x0117, 4, 1, 50000}, {0x011A, 5, 1, 220},
};
inline constexpr uint64_t kSigmaTiffSize = 50110 + 512;
struct SigmaTiffFile {
  static constexpr FileType kType = FileType::X3f;
  bool littleEndian = true;
  uint32_t ifd0 = 8;
  std::vector<TiffEntry> entries = kSigmaIfd0;
  uint32_t next = 0;
  std::string make = "SIGMA";
};
void putSigmaTiff(const TestImage& image, uint64_t at, const SigmaTiffFile& tiff);

struct Measured {
  uint64_t size;
  bool preview;
  uint64_t previewSector;
  uint32_t previewExtra;
  uint64_t previewSize;
};
// Header test and size at a sector, starting from a stale preview report.
Measured measure(const std::string& imagePath, FileType type, uint64_t sector, uint32_t bytesPerSector = 512);

// "folder/name sector+extra size" of each file found, sectors counted from firstSector.
std::vector<std::string> describe(const std::vector<FoundFile>& found, uint64_t firstSector = 0);

// The same for one file, put at the sector of an image of its own.
template <class File>
Measured measure(void (*put)(const TestImage&, uint64_t, const File&), const File& file, uint64_t sector = 0,
                 uint32_t bytesPerSector = 512) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * 1048576);
  put(image, sector * bytesPerSector, file);
  return measure(image.path(), File::kType, sector, bytesPerSector);
}

}  // namespace salvonix::test
