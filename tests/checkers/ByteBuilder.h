#pragma once
// Files built byte by byte, and a checker run over one laid at a sector of an
// otherwise zero (sparse) image.

#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "support/TestImage.h"

namespace salvonix::test {

struct ByteBuilder {
  ByteBuilder& text(std::string_view s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  ByteBuilder& u8(uint8_t v) { return fill(1, v); }
  ByteBuilder& be16(uint32_t v) { return u8(uint8_t(v >> 8)).u8(uint8_t(v)); }
  ByteBuilder& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
  ByteBuilder& be64(uint64_t v) { return be32(uint32_t(v >> 32)).be32(uint32_t(v)); }
  ByteBuilder& le32(uint32_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)).u8(uint8_t(v >> 16)).u8(uint8_t(v >> 24)); }
  // Seven bits a byte, as ID3v2 stores its tag size.
  ByteBuilder& synchsafe(uint32_t v) { return u8(v >> 21 & 0x7F).u8(v >> 14 & 0x7F).u8(v >> 7 & 0x7F).u8(v & 0x7F); }
  ByteBuilder& append(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  ByteBuilder& fill(std::size_t count, uint8_t v) {
    bytes.insert(bytes.end(), count, v);
    return *this;
  }
  ByteBuilder& padTo(std::size_t length, uint8_t v) { return fill(length > size() ? length - size() : 0, v); }
  std::size_t size() const { return bytes.size(); }

  Bytes bytes;
};

struct FileOnImage {
  FileOnImage(FileType type, const Bytes& file, uint64_t sector = 3, uint32_t bytesPerSector = 512,
              uint64_t imageSize = 0)
      : image(dir.file("d.img"), imageSize ? imageSize : sector * bytesPerSector + file.size() + (1u << 20)),
        at(sector),
        first(file.empty() ? 0 : file[0]) {
    image.putAtSector(sector, file, bytesPerSector);
    run = std::make_unique<CheckerRun>(image.path(), type, bytesPerSector);
  }
  // Every header accepted must also pass the engine's early stop on byte 0.
  bool isFile() {
    const bool yes = run->isFile(at);
    if (yes) {
      EXPECT_TRUE(run->checker->mayStartWith(first)) << "the scan would never test this file";
    }
    return yes;
  }
  uint64_t size() { return run->size(at); }
  uint64_t cancelledSize() {
    run->context.bCancelScanning = true;
    return size();
  }
  ScanContext& context() { return run->context; }

  TempDir dir;
  TestImage image;
  uint64_t at;
  uint8_t first;
  std::unique_ptr<CheckerRun> run;
};

}  // namespace salvonix::test
