#include "cli/OpenCommand.h"

#include <filesystem>
#include <fstream>
#include <iostream>

#include <fmt/format.h>

#include "cli/ConsoleObserver.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/ResultReport.h"
#include "cli/UnreadableReport.h"
#include "drives/DriveList.h"
#include "output/DestinationCheck.h"
#include "output/RecoveredFileSaver.h"
#include "output/ScanInfoContext.h"
#include "output/SizeText.h"
#include "scan/Device.h"

namespace salvonix {

namespace {

struct MarkedFiles {
  uint32_t count = 0;
  uint64_t bytes = 0;
};

MarkedFiles markedFiles(const HDIR& node) {
  MarkedFiles marked;
  for (const auto& child : node.children) {
    if (child->fileType == kFileType && child->selected == 1) {
      ++marked.count;
      marked.bytes += child->fileSize;
    }
    const MarkedFiles below = markedFiles(*child);
    marked.count += below.count;
    marked.bytes += below.bytes;
  }
  return marked;
}

void printDrive(const ScanContext& context, const std::string& attachedPath) {
  std::cout << fmt::format("Drive: {} (model {}, serial {}, revision {})\n", context.selectedDrive,
                           context.model.empty() ? "-" : context.model, context.serial.empty() ? "-" : context.serial,
                           context.revision.empty() ? "-" : context.revision);
  std::cout << fmt::format("Size: {}, {} sectors of {} bytes\n", sizeText(context.selectedDriveSize),
                           context.u64DriveSectorNumber, context.u32BytesInSector);
  std::cout << (attachedPath.empty() ? std::string("Attached: no\n") : fmt::format("Attached: yes, {}\n", attachedPath));
}

std::string writeJson(const std::string& path, const nlohmann::json& json) {
  std::ofstream file(path);
  if (!(file << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n') || !file.flush())
    return fmt::format("cannot write {}", path);
  return {};
}

int save(const OpenOptions& options, ScanContext& context, HDIR& root, const std::string& attachedPath) {
  const std::string source = options.source.empty() ? attachedPath : options.source;
  if (source.empty())
    return commandError(kFailure, "the drive of this scan information file is not attached; name the device or image to "
                           "read with --source");
  std::string reason;
  auto device = Device::open(source, &reason);
  if (!device) return commandError(kFailure, fmt::format("cannot open {}: {}", source, reason));
  if (!options.source.empty() &&
      readFirstFiveSectors(source, context.u32BytesInSector) != context.first5SectorInOpen)
    fmt::print(stderr, "salvonix: warning: the first sectors of {} differ from those of the scanned drive\n", source);
  if (destinationOnDevice(options.outDirectory, *device))
    return commandError(kBadInput, fmt::format("destination {} lies on {}, the device being read: saving there could "
                                        "overwrite the files being recovered",
                                        options.outDirectory, source));
  device.reset();
  std::error_code failure;
  std::filesystem::create_directories(options.outDirectory, failure);
  if (failure) return commandError(kFailure, fmt::format("cannot create {}: {}", options.outDirectory, failure.message()));

  if (options.all) CheckController(&root, 1, context.u64SelectedFileSize).run();
  const MarkedFiles marked = markedFiles(root);
  if (marked.count == 0) return commandError(kFailure, "no file is marked in this scan information file; use --all to save every file");
  {
    std::lock_guard lock(context.previewPathMutex);
    context.selectedDriveMountPointForPreview = source;
  }
  ConsoleObserver console(context);
  RecoveredFileSaver saver(context, console);
  installInterruptHandler();
  setInterruptTarget(&saver.abortSavingFlag());
  console.startSaving(marked.bytes);
  const SaveOutcome outcome = saver.save(root, options.outDirectory);
  setInterruptTarget(nullptr);
  console.finishSaving();
  printIncompleteFiles(outcome);
  for (const auto& failed : outcome.failures) fmt::print(stderr, "salvonix: not saved: {}: {}\n", failed.path, failed.reason);
  if (outcome.stopped) return commandError(kStopped, "saving stopped; the files saved so far are kept");
  if (!outcome.failures.empty())
    return commandError(kFailure, fmt::format("{} of {} files could not be saved", outcome.failures.size(), marked.count));
  fmt::print(stderr, "Files saved below {}\n", std::filesystem::absolute(options.outDirectory).string());
  return 0;
}

}  // namespace

int runOpen(const OpenOptions& options) {
  const ScanInfoOpenResult opened = openScanInfo(options.scanInfoFile);
  if (opened.error) return commandError(kBadInput, fmt::format("{}: {}", opened.error->title, opened.error->text));

  ScanContext context;
  SystemDriveFinder system;
  DriveList list(context, system.finder());
  list.initialDriveList();
  const auto identities = list.retriveAllDriveDetails();
  const auto found = applyOpenedScanInfo(context, opened, identities);
  const std::string attachedPath = found ? identities[*found].selectedDriveMountPoint : std::string();
  if (found && identities[*found].first5Sectors != context.first5SectorInOpen)
    fmt::print(stderr, "salvonix: warning: the first sectors of {} differ from those of the scanned drive; it may hold "
                       "another card or have been written since\n",
               attachedPath);

  HDIR& root = *opened.root;
  std::cout << fmt::format("Scan information file: {}\n", options.scanInfoFile);
  printDrive(context, attachedPath);
  std::cout << '\n';
  printResultTree(std::cout, root);
  const MarkedFiles marked = markedFiles(root);
  std::cout << fmt::format("Marked: {} files, {}\n", marked.count, sizeText(marked.bytes));
  std::cout.flush();

  if (!options.jsonFile.empty()) {
    const ScanSummary summary{options.source.empty() ? attachedPath : options.source, context.selectedDriveSize,
                              context.u32BytesInSector, context.u64DriveSectorNumber, 0, false};
    nlohmann::json json = resultJson(root, summary);
    json["scanInfo"] = options.scanInfoFile;
    json["drive"] = {{"name", context.selectedDrive}, {"model", context.model}, {"serial", context.serial},
                     {"revision", context.revision}, {"attached", !attachedPath.empty()}, {"path", attachedPath}};
    json["markedFiles"] = marked.count;
    if (auto problem = writeJson(options.jsonFile, json); !problem.empty()) return commandError(kFailure, problem);
  }
  if (options.outDirectory.empty()) return 0;
  return save(options, context, root, attachedPath);
}

}  // namespace salvonix
