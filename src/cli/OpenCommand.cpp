#include "cli/OpenCommand.h"

#include <iostream>

#include <fmt/format.h>

#include "cli/ConsoleObserver.h"
#include "scan/CountText.h"
#include "cli/ExitCodes.h"
#include "cli/OutputFiles.h"
#include "cli/RecoverySaving.h"
#include "cli/ResultReport.h"
#include "cli/UnreadableReport.h"
#include "drives/DriveList.h"
#include "output/DestinationCheck.h"
#include "output/RecoveredFileSaver.h"
#include "output/ScanInfoContext.h"
#include "output/SizeText.h"
#include "output/SourceDescription.h"
#include "scan/Device.h"

namespace salvonix {

namespace {

void printDrive(std::ostream& out, const ScanContext& context, const std::string& attachedPath) {
  out << fmt::format("Drive: {} (model {}, serial {}, revision {})\n", context.selectedDrive,
                     context.model.empty() ? "-" : context.model, context.serial.empty() ? "-" : context.serial,
                     context.revision.empty() ? "-" : context.revision);
  out << fmt::format("Size: {}, {} sectors of {} bytes\n", sizeText(context.selectedDriveSize),
                     context.u64DriveSectorNumber, context.u32BytesInSector);
  out << (attachedPath.empty() ? std::string("Attached: no\n") : fmt::format("Attached: yes, {}\n", attachedPath));
}

std::string firstSectorsDiffer(const std::string& source) {
  return fmt::format("the first sectors of {} differ from those of the scanned drive", source);
}

int save(const OpenOptions& options, ScanContext& context, HDIR& root, const ScanSummary& summary) {
  const std::string& source = summary.source;
  if (source.empty())
    return commandError(kFailure, "the drive of this scan information file is not attached; name the device or "
                                  "image to read with --source");
  std::string reason;
  auto device = Device::open(source, &reason);
  if (!device) return commandError(kFailure, fmt::format("cannot open {}: {}", source, reason));
  if (!options.quiet) fmt::print(stderr, "{}\n", openedSourceText(*device));
  // Another card, or one written since: its sectors would be saved under the names of files it does not hold.
  if (!options.force && readFirstFiveSectors(source, context.u32BytesInSector) != context.first5SectorInOpen)
    return commandError(kBadInput, firstSectorsDiffer(source) + "; add --force to save from it all the same");
  if (destinationOnDevice(options.outDirectory, *device))
    return commandError(kBadInput, fmt::format("destination {} lies on {}, the device being read: saving there could "
                                               "overwrite the files being recovered",
                                               options.outDirectory, source));
  device.reset();
  if (!options.force)
    if (auto problem = existingRecoveryProblem(options.outDirectory, root.fileName); !problem.empty())
      return commandError(kBadInput, problem);
  if (auto problem = prepareDestination(options.outDirectory); !problem.empty()) return commandError(kFailure, problem);

  if (options.all) CheckController(&root, 1, context.u64SelectedFileSize).run();
  if (markedFiles(root).count == 0)
    return commandError(kFailure, "no file is marked in this scan information file; use --all to save every file");
  ConsoleObserver console(context, options.quiet);
  return saveRecovery(context, root, summary, options.outDirectory, console);
}

}  // namespace

int runOpen(const OpenOptions& options) {
  const ScanInfoOpenResult opened = openScanInfo(options.scanInfoFile);
  if (opened.error) return commandError(kBadInput, fmt::format("{}: {}", opened.error->title, opened.error->text));
  if (auto problem = sizeRangeProblem(options.sizes); !problem.empty()) return commandError(kBadInput, problem);
  if (!options.jsonFile.empty())
    if (auto problem = unwritableFileProblem(options.jsonFile); !problem.empty())
      return commandError(kBadInput, problem);

  ScanContext context;
  SystemDriveFinder system;
  DriveList list(context, system.finder());
  list.initialDriveList();
  auto identities = list.retriveAllDriveDetails();
  if (auto image = imageIdentityOf(opened.drive)) identities.push_back(std::move(*image));
  const auto found = applyOpenedScanInfo(context, opened, identities);
  const std::string attachedPath = found ? identities[*found].selectedDriveMountPoint : std::string();
  if (found && identities[*found].first5Sectors != context.first5SectorInOpen)
    fmt::print(stderr, "salvonix: warning: {}; it may hold another card or have been written since\n",
               firstSectorsDiffer(attachedPath));

  const std::shared_ptr<HDIR> root = options.sizes.all() ? opened.root : filesWithin(*opened.root, options.sizes);
  std::ostream& out = options.jsonFile == kStandardOutput ? std::cerr : std::cout;
  out << fmt::format("Scan information file: {}\n", options.scanInfoFile);
  printDrive(out, context, attachedPath);
  out << '\n';
  printResultTree(out, *root);
  const MarkedFiles marked = markedFiles(*root);
  out << fmt::format("Marked: {}, {}\n", filesText(marked.count), sizeText(marked.bytes));
  out.flush();

  const ScanSummary summary{options.source.empty() ? attachedPath : options.source, context.selectedDriveSize,
                            context.u32BytesInSector, context.u64DriveSectorNumber, 0, false};
  if (!options.jsonFile.empty()) {
    nlohmann::json json = resultJson(*root, summary);
    json["scanInfo"] = options.scanInfoFile;
    json["drive"] = {{"name", context.selectedDrive}, {"model", context.model}, {"serial", context.serial},
                     {"revision", context.revision}, {"attached", !attachedPath.empty()}, {"path", attachedPath}};
    json["markedFiles"] = marked.count;
    if (auto problem = writeJson(options.jsonFile, json); !problem.empty()) return commandError(kFailure, problem);
  }
  if (options.outDirectory.empty()) return kDone;
  return save(options, context, *root, summary);
}

}  // namespace salvonix
