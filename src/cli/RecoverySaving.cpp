#include "cli/RecoverySaving.h"

#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "scan/CountText.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"
#include "cli/UnreadableReport.h"
#include "output/RecoveredFileSaver.h"

namespace salvonix {

namespace fs = std::filesystem;

std::string existingRecoveryProblem(const std::string& destination, const std::string& rootName) {
  std::error_code failure;
  const fs::path root = fs::path(destination) / rootName, report = fs::path(destination) / kRecoveryReportName;
  const bool filledRoot =
      fs::exists(root, failure) && !(fs::is_directory(root, failure) && fs::is_empty(root, failure));
  if (!filledRoot && !fs::exists(report, failure)) return {};
  return fmt::format("{} already holds a recovery ({}); choose another --out folder, or add --force to save into it "
                     "(files of the same name are then replaced)",
                     destination, (filledRoot ? root : report).string());
}

std::string prepareDestination(const std::string& directory) {
  std::error_code failure;
  fs::create_directories(directory, failure);
  if (failure) return fmt::format("cannot create destination {}: {}", directory, failure.message());
  const std::string probe = directory + "/.salvonix-write-test";
  std::ofstream file(probe);
  if (!(file << "x") || !file.flush()) return fmt::format("cannot write to destination {}", directory);
  file.close();
  fs::remove(probe, failure);
  return {};
}

int saveRecovery(ScanContext& context, HDIR& root, const ScanSummary& summary, const std::string& destination,
                 ConsoleObserver& console) {
  {
    std::lock_guard lock(context.previewPathMutex);
    context.selectedDriveMountPointForPreview = summary.source;
  }
  const MarkedFiles marked = markedFiles(root);
  RecoveredFileSaver saver(context, console);
  installInterruptHandler();
  setInterruptTarget(&saver.abortSavingFlag());
  console.startSaving(marked);
  const SaveOutcome outcome = saver.save(root, destination);
  setInterruptTarget(nullptr);
  console.finishSaving();
  printIncompleteFiles(outcome);

  const std::string absolute = fs::absolute(destination).string();
  const WrittenFile report = writeWithFallback(
      "report", (fs::path(destination) / kRecoveryReportName).string(), {fs::temp_directory_path().string()},
      [&](const std::string& path) {
        std::ofstream file(path);
        printRecoveryReport(file, root, summary, absolute);
        return file.flush() ? std::string() : fmt::format("cannot write {}", path);
      });
  if (outcome.stopped)
    return commandError(kStopped, fmt::format("saving stopped; {} of {} saved are kept", outcome.filesSaved,
                                              filesText(marked.count)));
  // The saver has said which file failed first and how many are missing.
  if (!outcome.failures.empty() || outcome.filesNotSaved > 0) return kFilesNotSaved;
  if (!console.quiet()) {
    fmt::print(stderr, "Files saved below {}\n", absolute);
    if (!report.path.empty()) fmt::print(stderr, "Where each file came from: {}\n", fs::absolute(report.path).string());
  }
  return kDone;
}

}  // namespace salvonix
