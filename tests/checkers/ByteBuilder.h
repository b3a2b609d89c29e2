#pragma once
// Files built byte by byte for checker tests, and a checker run over one such
// file laid on a disk image.

#include <memory>
#include <string_view>

#include "support/TestImage.h"

namespace salvonix::test {

struct ByteBuilder {
  ByteBuilder& text(std::string_view s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  ByteBuilder& u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  ByteBuilder& be16(uint32_t v) { return u8(uint8_t(v >> 8)).u8(uint8_t(v)); }
  ByteBuilder& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
  ByteBuilder& le32(uint32_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)).u8(uint8_t(v >> 16)).u8(uint8_t(v >> 24)); }
  ByteBuilder& fill(std::size_t count, uint8_t v) {
    bytes.insert(bytes.end(), count, v);
    return *this;
  }
  ByteBuilder& append(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  // Pads with a byte value up to an absolute length.
  ByteBuilder& padTo(std::size_t length, uint8_t v = 0) {
    if (bytes.size() < length) fill(length - bytes.size(), v);
    return *this;
  }
  std::size_t size() const { return bytes.size(); }

  Bytes bytes;
};

// One file at a sector of an image that is otherwise zeros (sparse), and the
// checker of a type over it.
struct FileOnImage {
  FileOnImage(FileType type, const Bytes& file, uint64_t sector = 3, uint32_t bytesPerSector = 512,
              uint64_t imageSize = 0)
      : image(dir.file("d.img"), imageSize ? imageSize : sector * bytesPerSector + file.size() + (1u << 20)),
        at(sector) {
    image.putAtSector(sector, file, bytesPerSector);
    run = std::make_unique<CheckerRun>(image.path(), type, bytesPerSector);
  }
  bool isFile() { return run->isFile(at); }
  uint64_t size() { return run->size(at); }
  ScanContext& context() { return run->context; }
  FileCheck& checker() { return *run->checker; }

  TempDir dir;
  TestImage image;
  uint64_t at;
  std::unique_ptr<CheckerRun> run;
};

}  // namespace salvonix::test
