#include "checkers/TiffBuilder.h"

namespace salvonix::test {

TiffBuilder::TiffBuilder(bool littleEndian) : littleEndian_(littleEndian), bytes_(8, 0) {
  bytes_[0] = bytes_[1] = littleEndian ? 'I' : 'M';
  put16(2, 42);
}

TiffBuilder& TiffBuilder::magic(uint8_t byte2, uint8_t byte3) {
  bytes_[2] = byte2;
  bytes_[3] = byte3;
  return *this;
}

TiffBuilder& TiffBuilder::padTo(uint32_t size) {
  if (bytes_.size() < size) bytes_.resize(size, 0);
  return *this;
}

void TiffBuilder::putBytes(uint32_t at, const Bytes& data) {
  padTo(at + static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), bytes_.begin() + at);
}

void TiffBuilder::put16(uint32_t at, uint32_t value) {
  padTo(at + 2);
  for (int i = 0; i < 2; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (littleEndian_ ? 8 * i : 8 - 8 * i));
}

void TiffBuilder::put32(uint32_t at, uint32_t value) {
  padTo(at + 4);
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (littleEndian_ ? 8 * i : 24 - 8 * i));
}

uint32_t TiffBuilder::append(const Bytes& data) {
  padTo(size() + (size() & 1));
  const uint32_t at = size();
  putBytes(at, data);
  return at;
}

uint32_t TiffBuilder::appendString(const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  return append(data);
}

uint32_t TiffBuilder::appendLongs(const std::vector<uint32_t>& values) {
  const uint32_t at = append(Bytes(4 * values.size(), 0));
  for (std::size_t i = 0; i < values.size(); ++i) put32(at + 4 * static_cast<uint32_t>(i), values[i]);
  return at;
}

uint32_t TiffBuilder::appendShorts(const std::vector<uint16_t>& values) {
  const uint32_t at = append(Bytes(2 * values.size(), 0));
  for (std::size_t i = 0; i < values.size(); ++i) put16(at + 2 * static_cast<uint32_t>(i), values[i]);
  return at;
}

uint32_t TiffBuilder::appendIfd(const std::vector<TiffEntry>& entries, uint32_t next) {
  const uint32_t at = append({});
  writeIfd(at, entries, next);
  return at;
}

void TiffBuilder::writeIfd(uint32_t at, const std::vector<TiffEntry>& entries, uint32_t next) {
  put16(at, static_cast<uint32_t>(entries.size()));
  uint32_t p = at + 2;
  for (const TiffEntry& e : entries) {
    put16(p, e.tag);
    put16(p + 2, e.type);
    put32(p + 4, e.count);
    if ((e.type == kShort) && e.count == 1) {
      put16(p + 8, e.value);
      put16(p + 10, 0);
    } else {
      put32(p + 8, e.value);
    }
    p += 12;
  }
  put32(p, next);
}

void TiffBuilder::setNext(uint32_t ifdOffset, uint32_t next) {
  const uint32_t count = littleEndian_ ? (bytes_[ifdOffset] | bytes_[ifdOffset + 1] << 8)
                                       : (bytes_[ifdOffset] << 8 | bytes_[ifdOffset + 1]);
  put32(ifdOffset + 2 + 12 * count, next);
}

TiffEntry TiffBuilder::string(uint16_t tag, const std::string& text) {
  return {tag, kAscii, static_cast<uint32_t>(text.size() + 1), appendString(text)};
}

TiffEntry TiffBuilder::shortValue(uint16_t tag, uint16_t value) const { return {tag, kShort, 1, value}; }

TiffEntry TiffBuilder::longArray(uint16_t tag, const std::vector<uint32_t>& values) {
  return {tag, kLong, static_cast<uint32_t>(values.size()), appendLongs(values)};
}

}  // namespace salvonix::test
