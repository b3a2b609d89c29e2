#include "checkers/ScanAndSave.h"

#include <filesystem>

#include "output/RecoveredFileSaver.h"

namespace salvonix::test {

namespace {
class AlertLog : public SaveObserver {
 public:
  explicit AlertLog(std::vector<std::string>& alerts) : alerts_(alerts) {}
  int showAlert(const Alert& alert) override {
    alerts_.push_back(alert.title + "|" + alert.text);
    return 0;
  }

 private:
  std::vector<std::string>& alerts_;
};
}  // namespace

SavedScan scanAndSave(const std::string& imagePath, std::initializer_list<FileType> types,
                      const std::string& destination) {
  SavedScan result;
  ScanRun scan(imagePath, types);
  scan.run();
  result.found = scan.found();
  HDIR& root = *scan.engine.dirRoot();
  CheckController(&root, 1, scan.context.u64SelectedFileSize).run();
  std::filesystem::create_directories(destination);
  AlertLog log(result.alerts);
  RecoveredFileSaver saver(scan.context, log);
  saver.save(root, destination);
  for (const FoundFile& file : result.found)
    result.saved[file.folder + "/" + file.name] = readFile(destination + "/ROOT/" + file.folder + "/" + file.name);
  return result;
}

}  // namespace salvonix::test
