#include "drives/MountTable.h"

#include <fstream>
#include <sstream>

namespace salvonix {

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string unescape(const std::string& field) {
  auto octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      text += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

}  // namespace

std::vector<MountEntry> readMountTable(const std::string& mountInfoPath) {
  std::vector<MountEntry> entries;
  std::ifstream in(mountInfoPath);
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mountpoint options [optional fields...] - fstype source superoptions
    std::istringstream fields(line);
    std::string id, parent, numbers, root, mountPoint, options, field;
    if (!(fields >> id >> parent >> numbers >> root >> mountPoint >> options)) continue;
    while (fields >> field && field != "-") {
    }
    MountEntry entry;
    if (!(fields >> entry.fsType >> entry.source)) continue;
    const auto colon = numbers.find(':');
    if (colon == std::string::npos) continue;
    try {
      entry.major = static_cast<unsigned>(std::stoul(numbers.substr(0, colon)));
      entry.minor = static_cast<unsigned>(std::stoul(numbers.substr(colon + 1)));
    } catch (const std::exception&) {
      continue;
    }
    entry.mountPoint = unescape(mountPoint);
    entry.source = unescape(entry.source);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace salvonix
