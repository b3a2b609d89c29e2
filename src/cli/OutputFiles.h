#pragma once
// The files the command line writes besides the recovered ones (JSON, scan
// information, report.txt): checked before a scan starts, and written after
// it to a fallback folder when the chosen place fails, so that the result of
// a long scan is never lost.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace salvonix {

// "-" as a file name: standard output.
inline constexpr const char* kStandardOutput = "-";

// Why a file cannot be written at path ("" when it can): its folder must exist
// and be writable, and the path must not be a folder or a read-only file.
std::string unwritableFileProblem(const std::string& path);
// folder/stem + extension, or "stem 2" + extension and so on when that is taken.
std::string freePath(const std::filesystem::path& folder, const std::string& stem, const std::string& extension);

struct WrittenFile {
  std::string path;       // "" when written nowhere
  bool fellBack = false;  // not written where it was asked for
};

// Writes the file (write returns a problem, or "" when written) at path, or
// else under the same name in the first fallback folder that takes it; says
// on standard error where it went when that was not path.
using FileWriter = std::function<std::string(const std::string& path)>;
WrittenFile writeWithFallback(const std::string& what, const std::string& path,
                              const std::vector<std::string>& fallbackFolders, const FileWriter& write);

// The JSON, to the file or to standard output ("-").
std::string writeJson(const std::string& path, const nlohmann::json& json);

}  // namespace salvonix
