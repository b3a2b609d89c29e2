#pragma once
// GIF87a and GIF89a: walks extensions and images with their data sub-blocks
// until the trailer or a byte that cannot start a block.

#include <array>
#include <optional>

#include "checkers/FileCheck.h"
#include "scan/ReadDisk.h"

namespace salvonix {

class GifFileCheck final : public FileCheck {
 public:
  explicit GifFileCheck(ScanContext& context) : context_(context), readDiskFromGifFileCheck_(context) {}
  bool isFile(SectorHeader header, uint64_t sectorNumber) override;
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) override;
  uint32_t firstByteOfHeader() const override { return 0x47; }
  std::string_view parentKey() override { return "gif"; }
  bool mayStartWith(uint8_t firstByte) const override { return firstByte == 0x47; }
  bool measuredWhole() const override { return measuredWhole_; }

 private:
  // The byte at a file offset, reading the 64 KiB block that holds it when it
  // is not the one in the window; empty when that read fails.
  std::optional<uint8_t> byteAt(uint64_t offset);
  std::optional<uint64_t> walk();
  enum class SubBlocks { Ended, Overlong };
  std::optional<SubBlocks> skipSubBlocks(uint64_t& o);

  ScanContext& context_;
  ReadDisk readDiskFromGifFileCheck_;
  std::array<uint8_t, kReadWindowBufferSize> window_{};
  uint64_t fileSector_ = 0;
  uint64_t windowSector_ = 0;
  uint64_t windowKey_ = 0;
  bool measuredWhole_ = false;  // the walk ended at the trailer
};

}  // namespace salvonix
