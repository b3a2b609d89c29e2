#pragma once
// A whole scan of an image followed by saving every file found, as a user
// who marks all results would: what was found and the bytes saved for each.

#include <map>
#include <string>

#include "support/TestImage.h"

namespace salvonix::test {

struct SavedScan {
  std::vector<FoundFile> found;
  std::map<std::string, Bytes> saved;  // "folder/name" -> the saved file
  std::vector<std::string> alerts;
};

SavedScan scanAndSave(const std::string& imagePath, std::initializer_list<FileType> types,
                      const std::string& destination);

}  // namespace salvonix::test
