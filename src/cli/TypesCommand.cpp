#include "cli/TypesCommand.h"

#include <iostream>

#include <fmt/format.h>

#include "cli/ExitCodes.h"
#include "cli/TypeSelection.h"

namespace salvonix {

int runTypes() {
  std::cout << fmt::format("{:<6} {:<18} {:<10} {}\n", "KEY", "FOLDER", "EXTENSION", "GROUP");
  for (const FileTypeRow& row : fileTypeTable())
    if (row.create)
      std::cout << fmt::format("{:<6} {:<18} {:<10} {}\n", row.key, row.folderName, row.extension,
                               groupName(row.category));
  std::cout.flush();
  return kDone;
}

}  // namespace salvonix
