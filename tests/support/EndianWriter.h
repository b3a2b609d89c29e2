#pragma once
// Writes numbers in a chosen byte order into a test image, at offsets from a base.

#include <string>

#include "support/TestImage.h"

namespace salvonix::test {

class EndianWriter {
 public:
  EndianWriter(const TestImage& image, uint64_t base, bool littleEndian)
      : image_(image), base_(base), little_(littleEndian) {}
  void u16(uint64_t at, uint32_t value) const { number(at, value, 2); }
  void u32(uint64_t at, uint32_t value) const { number(at, value, 4); }
  void bytes(uint64_t at, const Bytes& bytes) const { image_.put(base_ + at, bytes); }
  void text(uint64_t at, const std::string& text) const { bytes(at, Bytes(text.begin(), text.end())); }

 private:
  void number(uint64_t at, uint32_t value, int width) const {
    Bytes out(width);
    for (int i = 0; i < width; ++i) out[little_ ? i : width - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
    bytes(at, out);
  }
  const TestImage& image_;
  uint64_t base_;
  bool little_;
};

}  // namespace salvonix::test
