#include "checkers/ScanAndSave.h"

#include <filesystem>

#include "output/RecoveredFileSaver.h"

namespace salvonix::test {

SavedScan scanAndSave(const std::string& imagePath, std::initializer_list<FileType> types,
                      const std::string& destination) {
  SavedScan result;
  ScanRun scan(imagePath, types);
  scan.run();
  result.found = scan.found();
  HDIR& root = *scan.engine.dirRoot();
  CheckController(&root, 1, scan.context.u64SelectedFileSize).run();
  std::filesystem::create_directories(destination);
  RecoveredFileSaver(scan.context, scan.observer).save(root, destination);
  result.alerts = scan.observer.alerts;  // of the scan and of saving
  for (const FoundFile& file : result.found)
    result.saved[file.folder + "/" + file.name] = readFile(destination + "/ROOT/" + file.folder + "/" + file.name);
  return result;
}

}  // namespace salvonix::test
