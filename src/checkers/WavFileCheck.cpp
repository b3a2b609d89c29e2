#include "checkers/WavFileCheck.h"

#include "checkers/ByteOrder.h"

namespace salvonix {

bool WavFileCheck::isFile(SectorHeader header, uint64_t) {
  return bytes::be32(header.data(), 0) == 0x52494646 && bytes::be32(header.data(), 8) == 0x57415645;
}

uint64_t WavFileCheck::fileSizeCalculation(SectorHeader header, uint64_t) {
  const uint64_t chunkSize = bytes::le32(header.data(), 4);
  return chunkSize >= 4096 ? chunkSize + 8 : 0;
}

}  // namespace salvonix
