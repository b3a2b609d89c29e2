#include "cli/ResultReport.h"

#include <fmt/format.h>

#include "scan/CountText.h"
#include "output/RecoveredFileSaver.h"
#include "output/SizeText.h"
#include "scan/FileTypes.h"

namespace salvonix {

void printResultTree(std::ostream& out, const HDIR& root) {
  out << fmt::format("{:<40} {:>12} {:>12}\n", root.fileName, filesText(root.fileCount), sizeText(root.fileSize));
  for (const auto& folder : root.children) {
    out << fmt::format("  {:<38} {:>12} {:>12}\n", folder->fileName, filesText(folder->fileCount),
                       sizeText(folder->fileSize));
    for (const auto& file : folder->children)
      out << fmt::format("    {:<28} {:>22} {:>12}\n", file->fileName, fmt::format("sector {}", file->sectorNumber),
                         sizeText(file->fileSize));
  }
  out << fmt::format("Total: {} in {}, {}\n", filesText(root.fileCount), counted(root.children.size(), "type folder"),
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
          {"byteOffset", byteOffsetOf(*file, summary.sectorSize)},
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

void printRecoveryReport(std::ostream& out, const HDIR& root, const ScanSummary& summary,
                         const std::filesystem::path& destination) {
  out << fmt::format("Files saved by salvonix from {} ({}-byte sectors) below {}\n", summary.source, summary.sectorSize,
                     destination.string());
  out << fmt::format("{:<8} {:>14} {:>16} {:>14}  {:<8} {}\n", "TYPE", "START SECTOR", "BYTE OFFSET", "SIZE", "STATUS",
                     "FILE");
  for (const auto& folder : root.children) {
    for (const auto& file : folder->children) {
      if (file->selected != 1) continue;
      const std::filesystem::path name = std::filesystem::path(root.fileName) / folder->fileName / file->fileName;
      std::error_code failure;
      const auto size = std::filesystem::file_size(destination / name, failure);
      const bool saved = !failure && size == file->fileSize;
      const bool partial = !saved && std::filesystem::exists(destination / (name.string() + kPartialSuffix), failure);
      out << fmt::format("{:<8} {:>14} {:>16} {:>14}  {:<8} {}\n", typeKeyOfFolder(folder->fileName),
                         file->sectorNumber, byteOffsetOf(*file, summary.sectorSize), file->fileSize,
                         saved ? "saved" : partial ? "partial" : "missing", name.string());
    }
  }
}

}  // namespace salvonix
