#include "checkers/TiffFixture.h"

#include "checkers/TiffToolkit.h"
#include "scan/Device.h"

namespace salvonix::test {

Bytes previewJpeg(std::size_t length, uint32_t seed) {
  Bytes jpeg = randomBytes(length, seed);
  for (auto& byte : jpeg)
    if (byte == 0xFF) byte = 0x7F;
  const Bytes head = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0,
                      0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0};
  std::copy(head.begin(), head.end(), jpeg.begin());
  jpeg[length - 2] = 0xFF;
  jpeg[length - 1] = 0xD9;
  return jpeg;
}

TiffFixture::TiffFixture(uint32_t bytesPerSector, uint64_t imageSize)
    : path(dir.file("disk.img")), image(path, imageSize) {
  context.cDriveMountedPath = path;
  context.u32BytesInSector = bytesPerSector;
  context.u64DriveSectorNumber = imageSize / bytesPerSector;
}

std::array<uint8_t, kSectorHeaderSize> TiffFixture::header(uint64_t sector) const {
  std::array<uint8_t, kSectorHeaderSize> bytes{};
  auto device = Device::open(path);
  if (device) device->readAt(sector * context.u32BytesInSector, bytes.data(), bytes.size());
  return bytes;
}

bool TiffFixture::classify(const tiff::ClassifierVariant& variant, uint64_t sector) {
  ReadDisk readDisk(context);
  auto reader = std::make_unique<tiff::TiffReader>(context, readDisk);
  tiff::MakeClassifier classifier(context, *reader, variant);
  const auto bytes = header(sector);
  return classifier.classify(SectorHeader(bytes.data(), kSectorHeaderSize), sector);
}

bool TiffFixture::isFile(FileCheck& checker, uint64_t sector) {
  const auto bytes = header(sector);
  return checker.isFile(SectorHeader(bytes.data(), kSectorHeaderSize), sector);
}

uint64_t TiffFixture::size(FileCheck& checker, uint64_t sector) {
  const auto bytes = header(sector);
  const SectorHeader view(bytes.data(), kSectorHeaderSize);
  context.clearPerSectorFlags();
  if (!checker.isFile(view, sector)) return 0;
  return checker.fileSizeCalculation(view, sector);
}

}  // namespace salvonix::test
