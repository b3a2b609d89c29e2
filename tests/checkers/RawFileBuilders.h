#pragma once
// The parts of CRW, MRW, RAF and X3F files and of Sigma TIFF files that their
// checkers read, written into test images byte by byte; everything else stays zero.

#include <string>
#include <vector>

#include "checkers/TiffBuilder.h"
#include "support/EndianWriter.h"
#include "support/TestImage.h"

namespace salvonix::test {

// FF D8 FF DB: enough of a JPEG for the checkers that look at its start.
Bytes jpegSignature();

struct CrwFile {
  bool littleEndian = true;
  uint32_t headerLength = 26;
  uint64_t trailer = 3000000;  // file offset of the trailer, the file's last field
  int entries = 3;             // of the root table; entry 1 names the preview
  uint32_t entry1Tag = 0x2007;
  uint32_t previewSize = 300000;
  uint64_t previewStart = 2097152;  // file offset
  Bytes preview = jpegSignature();
};
void putCrw(const TestImage& image, uint64_t at, const CrwFile& crw);

struct MrwFile {
  uint32_t blockAreaLength = 1000;
  std::vector<uint32_t> blocksBeforePrd;  // body lengths of the blocks ahead of "PRD"
  uint8_t prdTagFirstByte = 0;
  uint32_t height = 2000;
  uint32_t width = 3000;
  uint8_t storage = 0x59;
};
void putMrw(const TestImage& image, uint64_t at, const MrwFile& mrw);

struct RafFile {
  uint32_t previewOffset = 148;
  uint32_t previewLength = 2000;
  uint32_t cfaOffset = 4000;
  uint32_t cfaLength = 6000000;
  uint32_t secondLength = 0;
};
void putRaf(const TestImage& image, uint64_t at, const RafFile& raf);

struct X3fFile {
  uint64_t directory = 10000000;  // file offset of "SECd"
  uint32_t entries = 5;
  std::string firstSection = "SECi";
  uint8_t jpegMarker = 0xE1;  // of the JPEG at 260, after FF D8 FF
  uint32_t entry0Offset = 232;
  uint32_t entry0Length = 500000;
  bool endsWithDirectoryOffset = true;
};
void putX3f(const TestImage& image, uint64_t at, const X3fFile& x3f);

void putIfd(const EndianWriter& w, uint64_t at, const std::vector<TiffEntry>& entries, uint32_t next);

// IFD0 at ifd0 with the given entries; the Make string at 200. The usual IFD0
// stores 6 + 10 + 8 bytes outside its 6 entries and names 50,000 strip bytes:
// 8 + 78 + 24 + 50,000 = 50,110 bytes.
struct SigmaTiffFile {
  bool littleEndian = true;
  uint32_t ifd0 = 8;
  std::vector<TiffEntry> entries = {
      {0x0100, 3, 1, 640},  {0x010F, 2, 6, 200},   {0x0110, 2, 10, 210},
      {0x0111, 4, 1, 1000}, {0x0117, 4, 1, 50000}, {0x011A, 5, 1, 220},
  };
  uint32_t next = 0;
  std::string make = "SIGMA";
};
inline constexpr uint64_t kSigmaTiffSize = 50110 + 512;
void putSigmaTiff(const TestImage& image, uint64_t at, const SigmaTiffFile& tiff);

// One checker's answer for a file: its size, extension and preview report.
struct Measured {
  uint64_t size;
  std::string extension;
  bool preview;
  uint64_t previewSector;
  uint32_t previewExtra;
  uint64_t previewSize;
};
// Header test and size at a sector, starting from a stale preview report
// that an earlier file could have left.
Measured measure(const std::string& imagePath, FileType type, uint64_t sector, uint32_t bytesPerSector = 512);

}  // namespace salvonix::test
