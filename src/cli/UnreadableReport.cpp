#include "cli/UnreadableReport.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include <fmt/format.h>

#include "scan/CountText.h"

namespace salvonix {

nlohmann::json withUnreadableSectors(nlohmann::json result, const UnreadableSectors& unreadable, uint32_t sectorSize) {
  nlohmann::json ranges = nlohmann::json::array();
  for (const SectorRange& range : unreadable.ranges()) ranges.push_back({{"sector", range.sector}, {"count", range.count}});
  result["unreadable"] = ranges;
  for (auto& file : result["files"]) {
    const uint64_t offset = file.at("byteOffset").get<uint64_t>();
    const uint64_t size = file.at("size").get<uint64_t>();
    const uint64_t first = offset / sectorSize;
    const uint64_t end = size == 0 ? first : (offset + size - 1) / sectorSize + 1;
    file["incomplete"] = unreadable.countIn(first, end - first) > 0;
  }
  return result;
}

void printIncompleteFiles(const SaveOutcome& outcome) {
  for (const auto& file : outcome.incomplete)
    fmt::print(stderr, "salvonix: incomplete: {}: {} saved as zeros\n", file.path,
               counted(file.unreadableSectors, "unreadable sector"));
}

std::string writeBadSectorMap(const std::string& path, const UnreadableSectors& unreadable, uint64_t deviceBytes,
                              uint32_t sectorSize, uint64_t scannedBytes) {
  scannedBytes = std::min(scannedBytes, deviceBytes);
  struct Block {
    uint64_t pos, size;
    char status;
  };
  std::vector<Block> blocks;
  const auto add = [&](uint64_t from, uint64_t to, char status) {
    if (from >= to) return;
    if (!blocks.empty() && blocks.back().status == status) blocks.back().size += to - from;
    else blocks.push_back({from, to - from, status});
  };
  const auto addReadable = [&](uint64_t from, uint64_t to) {
    add(from, std::min(to, scannedBytes), '+');
    add(std::max(from, scannedBytes), to, '?');
  };
  uint64_t at = 0;
  for (const SectorRange& range : unreadable.ranges()) {
    const uint64_t begin = std::min(range.sector * sectorSize, deviceBytes);
    const uint64_t end = std::min((range.sector + range.count) * sectorSize, deviceBytes);
    addReadable(at, begin);
    add(begin, end, '-');
    at = end;
  }
  addReadable(at, deviceBytes);

  const bool finished = scannedBytes == deviceBytes;
  std::ofstream file(path, std::ios::trunc);
  file << "# Mapfile. Created by salvonix\n"
       << "# current_pos  current_status  current_pass\n"
       << fmt::format("0x{:08X}     {}               1\n", scannedBytes, finished ? '+' : '?')
       << "#      pos        size  status\n";
  for (const Block& block : blocks) file << fmt::format("0x{:08X}  0x{:08X}  {}\n", block.pos, block.size, block.status);
  return file.flush() ? std::string() : "cannot write " + path;
}

}  // namespace salvonix
