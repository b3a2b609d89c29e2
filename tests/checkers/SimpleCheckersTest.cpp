// BMP, WAV and AVI: recognised and sized from the header alone.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

struct HeaderCase {
  Bytes header;
  bool recognised;
  uint64_t size;
};

void expectCases(FileType type, const std::vector<HeaderCase>& cases) {
  for (std::size_t i = 0; i < cases.size(); ++i) {
    FileOnImage file(type, cases[i].header);
    EXPECT_EQ(file.isFile(), cases[i].recognised) << "case " << i;
    EXPECT_EQ(file.size(), cases[i].size) << "case " << i;
  }
}

Bytes bmp(uint32_t size, uint8_t reserved = 0, int reservedAt = 6) {
  Bytes header = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
  putLE32(header, 2, size);
  header[reservedAt] = reserved;
  return header;
}

Bytes riff(const char* form, uint32_t chunkSize, const char* list = "LIST") {
  Bytes header(16);
  std::copy(form, form + 4, header.begin() + 8);
  std::copy(list, list + 4, header.begin() + 12);
  std::copy("RIFF", "RIFF" + 4, header.begin());
  putLE32(header, 4, chunkSize);
  return header;
}

TEST(BmpFileCheck, SizeFieldWithinFiftyBytesAndOneHundredMiB) {
  expectCases(FileType::Bmp, {
                                 {bmp(49), true, 0},
                                 {bmp(50), true, 50},
                                 {bmp(104857600), true, 104857600},
                                 {bmp(104857601), true, 0},
                                 {bmp(1000, 1, 6), false, 0},
                                 {bmp(1000, 1, 9), false, 0},
                                 {Bytes{'B', 'N', 0xE8, 3}, false, 0},
                             });
}

TEST(WavFileCheck, RiffWaveWithChunkOfAtLeastFourKiB) {
  expectCases(FileType::Wav, {
                                 {riff("WAVE", 4095), true, 0},
                                 {riff("WAVE", 4096), true, 4104},
                                 {riff("WAVE", 0xFFFFFFFF), true, 0x100000007},
                                 {riff("AVI ", 50000), false, 0},
                                 {riff("RMID", 50000), false, 0},
                             });
}

TEST(AviFileCheck, RiffAviListWithChunkOfAtLeastTenKiB) {
  expectCases(FileType::Avi, {
                                 {riff("AVI ", 10239), true, 0},
                                 {riff("AVI ", 10240), true, 10248},
                                 {riff("AVI ", 10240, "LISX"), false, 0},
                                 {riff("AVIX", 20000), false, 0},
                                 {riff("WAVE", 20000), false, 0},
                             });
}

}  // namespace
}  // namespace salvonix::test
