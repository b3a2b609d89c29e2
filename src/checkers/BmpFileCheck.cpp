#include "checkers/BmpFileCheck.h"

#include "checkers/ByteOrder.h"

namespace salvonix {

bool BmpFileCheck::isFile(SectorHeader header, uint64_t) {
  // "BM" and both reserved 16-bit fields zero.
  return header[0] == 'B' && header[1] == 'M' && header[6] == 0 && header[7] == 0 && header[8] == 0 &&
         header[9] == 0;
}

uint64_t BmpFileCheck::fileSizeCalculation(SectorHeader header, uint64_t) {
  const uint32_t size = bytes::le32(header.data(), 2);
  return (size >= 50 && size <= 104857600) ? size : 0;
}

}  // namespace salvonix
