#pragma once
// A disk image for TIFF-family tests: files built with TiffBuilder are placed
// at sectors, and checkers or classifier variants are run on them with a
// context of their own.

#include <array>
#include <memory>

#include "checkers/MakeClassifier.h"
#include "checkers/TiffBuilder.h"
#include "scan/FileTypes.h"
#include "scan/ReadDisk.h"
#include "support/TestImage.h"

namespace salvonix::test {

// A JPEG of exactly `length` bytes (at least 40): start marker, APP0, start of
// scan, scan data without markers, end marker.
Bytes previewJpeg(std::size_t length, uint32_t seed);

struct TiffFixture {
  explicit TiffFixture(uint32_t bytesPerSector = 512, uint64_t imageSize = 32ull << 20);

  void place(const TiffBuilder& file, uint64_t sector = 0) { placeBytes(file.bytes(), sector); }
  void placeBytes(const Bytes& bytes, uint64_t sector) { image.putAtSector(sector, bytes, context.u32BytesInSector); }
  std::array<uint8_t, kSectorHeaderSize> header(uint64_t sector) const;

  // The variant's classifier on the sector, with the flags left in context.
  bool classify(const tiff::ClassifierVariant& variant, uint64_t sector = 0);
  // A new checker of the type on the sector: isFile, then the size when it answered yes (else 0).
  std::unique_ptr<FileCheck> checker(FileType type) { return fileTypeRow(type).create(context); }
  bool isFile(FileCheck& checker, uint64_t sector = 0);
  uint64_t size(FileCheck& checker, uint64_t sector = 0);
  uint64_t size(FileType type, uint64_t sector = 0) { return size(*checker(type), sector); }

  TempDir dir;
  std::string path;
  TestImage image;
  ScanContext context;
};

}  // namespace salvonix::test
