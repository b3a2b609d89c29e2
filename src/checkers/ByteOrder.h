#pragma once
// Byte-order readers over a byte buffer at a byte position.

#include <cstdint>

namespace salvonix::bytes {

inline uint32_t be16(const uint8_t* p, uint64_t pos) { return (uint32_t{p[pos]} << 8) | p[pos + 1]; }
inline uint32_t be24(const uint8_t* p, uint64_t pos) {
  return (uint32_t{p[pos]} << 16) | (uint32_t{p[pos + 1]} << 8) | p[pos + 2];
}
inline uint32_t be32(const uint8_t* p, uint64_t pos) {
  return (uint32_t{p[pos]} << 24) | (uint32_t{p[pos + 1]} << 16) | (uint32_t{p[pos + 2]} << 8) | p[pos + 3];
}
inline uint32_t le16(const uint8_t* p, uint64_t pos) { return (uint32_t{p[pos + 1]} << 8) | p[pos]; }
inline uint32_t le32(const uint8_t* p, uint64_t pos) {
  return (uint32_t{p[pos + 3]} << 24) | (uint32_t{p[pos + 2]} << 16) | (uint32_t{p[pos + 1]} << 8) | p[pos];
}

}  // namespace salvonix::bytes
