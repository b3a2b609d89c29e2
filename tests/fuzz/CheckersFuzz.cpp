// Every checker on its own at sector 0 of a device made of the input, each as
// the one type selected, so that every TIFF-family classifier gets its turn.

#include "fuzz/FuzzDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace salvonix;
  static fuzz::Checkers all;
  ScanContext& context = all.context;
  context.scanDevice = std::make_shared<fuzz::MemoryDevice>(data, size);
  all.setDriveOf(data, size);
  std::array<uint8_t, kSectorHeaderSize> header{};
  std::copy_n(data, std::min(size, header.size()), header.begin());
  const SectorHeader view(header.data(), header.size());
  for (const FileTypeRow& row : fileTypeTable()) {
    context.rawSelection = {};
    if (row.rawFamilyFlag) context.rawSelection.*row.rawFamilyFlag = true;
    context.clearPerSectorFlags();
    context.bSkipFileSize = false;
    FileCheck& check = *all.checks[rowIndex(row.type)];
    if (check.isFile(view, 0)) check.fileSizeCalculation(view, 0);
  }
  context.scanDevice.reset();
  return 0;
}
