#include "cli/OutputFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include <fmt/format.h>

namespace salvonix {

namespace fs = std::filesystem;

std::string unwritableFileProblem(const std::string& path) {
  if (path == kStandardOutput) return {};
  const fs::path chosen(path);
  const fs::path folder = chosen.has_parent_path() ? chosen.parent_path() : fs::path(".");
  std::error_code failure;
  if (fs::is_directory(chosen, failure)) return fmt::format("cannot write {}: it is a folder", path);
  if (!fs::is_directory(folder, failure))
    return fmt::format("cannot write {}: there is no folder {}", path, folder.string());
  const bool exists = fs::exists(chosen, failure);
  if (::access(exists ? chosen.c_str() : folder.c_str(), W_OK) != 0)
    return fmt::format("cannot write {}: {}", path, std::strerror(errno));
  return {};
}

std::string freePath(const fs::path& folder, const std::string& stem, const std::string& extension) {
  std::error_code failure;
  for (int number = 1;; ++number) {
    const fs::path path = folder / (number == 1 ? stem + extension : fmt::format("{} {}{}", stem, number, extension));
    if (!fs::exists(fs::symlink_status(path, failure))) return path.string();
  }
}

WrittenFile writeWithFallback(const std::string& what, const std::string& path,
                              const std::vector<std::string>& fallbackFolders, const FileWriter& write) {
  const std::string problem = write(path);
  if (problem.empty()) return {path, false};
  fmt::print(stderr, "salvonix: cannot write the {} at {}: {}\n", what, path, problem);
  const fs::path name = fs::path(path).filename();
  for (const std::string& folder : fallbackFolders) {
    if (folder.empty()) continue;
    const std::string fallback = freePath(folder, name.stem().string(), name.extension().string());
    if (write(fallback).empty()) {
      fmt::print(stderr, "salvonix: the {} is written at {} instead\n", what, fallback);
      return {fallback, true};
    }
  }
  fmt::print(stderr, "salvonix: the {} could not be written anywhere\n", what);
  return {{}, true};
}

std::string writeJson(const std::string& path, const nlohmann::json& json) {
  const std::string text = json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
  if (path == kStandardOutput) {
    std::cout << text << std::flush;
    return std::cout ? std::string() : "cannot write to standard output";
  }
  std::ofstream file(path);
  if (!(file << text) || !file.flush()) return fmt::format("cannot write {}", path);
  return {};
}

}  // namespace salvonix
