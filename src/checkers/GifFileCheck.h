#pragma once
// GIF87a and GIF89a: walks extensions and images with their data sub-blocks
// until the trailer or a byte that cannot start a block.

#include <optional>

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"

namespace salvonix {

class GifFileCheck final : public FileCheck {
 public:
  explicit GifFileCheck(ScanContext& context) : context_(context), window_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x47; }
  std::string_view parentKey() override { return "gif"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x47; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  std::optional<uint64_t> walk();
  enum class SubBlocks { Ended, Overlong };
  std::optional<SubBlocks> skipSubBlocks(uint64_t& o);

  ScanContext& context_;
  FileWindow window_;
  bool measuredWhole_ = false;  // the walk ended at the trailer
};

}  // namespace salvonix
