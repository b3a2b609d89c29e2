#pragma once
// A disk image holding TiffBuilder files at sectors, with a context of its own
// for running the classifier variants and the checkers on them.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "checkers/MakeClassifier.h"
#include "checkers/TiffBuilder.h"
#include "checkers/TiffToolkit.h"
#include "scan/Device.h"
#include "scan/FileTypes.h"
#include "support/TestImage.h"

namespace salvonix::test {

// A JPEG of `length` bytes: FF D8, APP0 of length 16, start of scan of length
// 12, scan data without markers and, unless left out, FF D9.
inline Bytes previewJpeg(std::size_t length, bool endMarker = true) {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0,
                0xFF, 0xDA, 0x00, 0x0C, 3, 1, 0, 2, 0x11, 3, 0x11, 0, 0x3F, 0};
  for (std::size_t i = jpeg.size(); i < length; ++i) jpeg.push_back(static_cast<uint8_t>(i * 7 % 251));
  if (endMarker) {
    jpeg[length - 2] = 0xFF;
    jpeg[length - 1] = 0xD9;
  }
  return jpeg;
}

struct TiffFixture {
  explicit TiffFixture(uint32_t bytesPerSector = 512, uint64_t imageSize = 32ull << 20)
      : path(dir.file("disk.img")), image(path, imageSize) {
    context.cDriveMountedPath = path;
    context.u32BytesInSector = bytesPerSector;
    context.u64DriveSectorNumber = imageSize / bytesPerSector;
  }

  void place(const TiffBuilder& file, uint64_t sector = 0) { placeBytes(file.bytes(), sector); }
  void placeBytes(const Bytes& bytes, uint64_t sector) { image.putAtSector(sector, bytes, context.u32BytesInSector); }
  std::array<uint8_t, kSectorHeaderSize> header(uint64_t sector) const {
    std::array<uint8_t, kSectorHeaderSize> bytes{};
    if (auto device = Device::open(path)) device->readAt(sector * context.u32BytesInSector, bytes.data(), bytes.size());
    return bytes;
  }

  bool classify(const tiff::ClassifierVariant& variant, uint64_t sector = 0) {
    tiff::TiffReader reader(context);
    const auto bytes = header(sector);
    tiff::MakeClassifier classifier(context, reader, variant);
    return classifier.classify(SectorHeader(bytes.data(), kSectorHeaderSize), sector);
  }
  std::unique_ptr<FileCheck> checker(FileType type) { return fileTypeRow(type).create(context); }
  // isFile, then the size when it answered yes (else 0).
  uint64_t size(FileCheck& checker, uint64_t sector = 0) {
    const auto bytes = header(sector);
    const SectorHeader view(bytes.data(), kSectorHeaderSize);
    context.clearPerSectorFlags();
    return checker.isFile(view, sector) ? checker.fileSizeCalculation(view, sector) : 0;
  }
  uint64_t size(FileType type, uint64_t sector = 0) { return size(*checker(type), sector); }
  // The size rule alone, on a little-endian file the header test would refuse.
  static uint64_t sizeRuleAlone(const TiffBuilder& file, FileType type) {
    TiffFixture f;
    f.place(file);
    f.context.tiff.bLittleEndianFile = true;
    const auto bytes = f.header(0);
    return f.checker(type)->fileSizeCalculation(SectorHeader(bytes.data(), kSectorHeaderSize), 0);
  }

  TempDir dir;
  std::string path;
  TestImage image;
  ScanContext context;
};

// The preview a file reports.
struct Preview {
  uint64_t offset, size;  // offset into the file; size 0: none reported
};

struct SizeCase {
  const char* name;
  FileType type;
  TiffBuilder file;
  uint64_t size;
  std::optional<Preview> preview = std::nullopt;  // checked when given
  uint64_t sector = 0;
  uint32_t bytesPerSector = 512;
};

// Each file placed on an image of its own, sized by its checker, with the preview it reports.
inline void expectSizes(const std::vector<SizeCase>& cases) {
  for (const SizeCase& c : cases) {
    TiffFixture f(c.bytesPerSector, c.sector * c.bytesPerSector + (32ull << 20));
    f.place(c.file, c.sector);
    f.context.u64RawJpgFileSize = 1000000;  // a report left over from an earlier file hides nothing
    EXPECT_EQ(f.size(c.type, c.sector), c.size) << c.name;
    if (!c.preview) continue;
    EXPECT_EQ(f.context.bRawJpgFileFound, c.preview->size != 0) << c.name;
    if (!f.context.bRawJpgFileFound) continue;
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber * c.bytesPerSector + f.context.uExtraBytesOfJpgFileOffset,
              c.sector * c.bytesPerSector + c.preview->offset)
        << c.name;
    EXPECT_EQ(f.context.u64RawJpgFileSize, c.preview->size) << c.name;
  }
}

}  // namespace salvonix::test
