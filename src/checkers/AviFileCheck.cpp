#include "checkers/AviFileCheck.h"

#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

bool AviFileCheck::isFile(SectorHeader header, uint64_t) {
  return std::memcmp(header.data(), "RIFF", 4) == 0 && std::memcmp(header.data() + 8, "AVI LIST", 8) == 0;
}

uint64_t AviFileCheck::fileSizeCalculation(SectorHeader header, uint64_t) {
  const uint64_t chunkSize = bytes::le32(header.data(), 4);
  return chunkSize >= 10240 ? chunkSize + 8 : 0;
}

}  // namespace salvonix
