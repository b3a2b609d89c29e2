#include "cli/ResultReport.h"

#include <fmt/format.h>

#include "output/SizeText.h"
#include "scan/FileTypes.h"

namespace salvonix {

namespace {
std::string fileCountText(uint32_t count) { return fmt::format("{} {}", count, count == 1 ? "file" : "files"); }
}  // namespace

void printResultTree(std::ostream& out, const HDIR& root) {
  out << fmt::format("{:<40} {:>12} {:>12}\n", root.fileName, fileCountText(root.fileCount), sizeText(root.fileSize));
  for (const auto& folder : root.children) {
    out << fmt::format("  {:<38} {:>12} {:>12}\n", folder->fileName, fileCountText(folder->fileCount),
                       sizeText(folder->fileSize));
    for (const auto& file : folder->children)
      out << fmt::format("    {:<28} {:>22} {:>12}\n", file->fileName, fmt::format("sector {}", file->sectorNumber),
                         sizeText(file->fileSize));
  }
  out << fmt::format("Total: {} in {} type folders, {}\n", fileCountText(root.fileCount), root.children.size(),
                     sizeText(root.fileSize));
}

nlohmann::json resultJson(const HDIR& root, const ScanSummary& summary) {
  nlohmann::json files = nlohmann::json::array();
  for (const auto& folder : root.children) {
    for (const auto& file : folder->children) {
      files.push_back({
          {"type", typeKeyOfFolder(folder->fileName)},
          {"folder", folder->fileName},
          {"name", file->fileName},
          {"startSector", file->sectorNumber},
          {"byteOffset", file->sectorNumber * summary.sectorSize + static_cast<uint64_t>(file->extraBytesToMove)},
          {"size", file->fileSize},
          {"leadingOffset", file->extraBytesToMove},
      });
    }
  }
  return {
      {"source", summary.source},
      {"sourceSize", summary.sourceSize},
      {"sectorSize", summary.sectorSize},
      {"sectorCount", summary.sectorCount},
      {"elapsedSeconds", summary.elapsedSeconds},
      {"stopped", summary.stopped},
      {"totalFiles", root.fileCount},
      {"totalSize", root.fileSize},
      {"files", files},
  };
}

}  // namespace salvonix
