#include "checkers/TiffFixture.h"

#include "checkers/TiffToolkit.h"
#include "scan/Device.h"

namespace salvonix::test {

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
