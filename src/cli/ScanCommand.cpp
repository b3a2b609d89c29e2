#include "cli/ScanCommand.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include <fmt/format.h>

#include "cli/ConsoleObserver.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"
#include "cli/RecoverySaving.h"
#include "cli/ResultReport.h"
#include "cli/ScanInfoSaving.h"
#include "cli/TypeSelection.h"
#include "cli/UnreadableReport.h"
#include "output/DestinationCheck.h"
#include "output/DfxmlReport.h"
#include "output/SizeText.h"
#include "output/SourceDescription.h"
#include "power/Sleep.h"
#include "scan/Device.h"
#include "scan/ScanParameters.h"
#include "scan/Scanning.h"

namespace salvonix {

namespace {

// --first-sector and --last-sector as the engine's region; why they cannot be, or "".
std::string applyRegion(const ScanOptions& options, ScanContext& context) {
  if (!options.firstSector && !options.lastSector) return {};
  const uint64_t count = context.u64DriveSectorNumber;
  const uint64_t first = options.firstSector.value_or(0);
  const uint64_t last = options.lastSector.value_or(count == 0 ? 0 : count - 1);
  if (first >= count || last >= count)
    return fmt::format("sector {} lies beyond the end of {}, which has {} sectors of {} bytes", std::max(first, last),
                       options.source, count, context.u32BytesInSector);
  if (first > last) return fmt::format("--first-sector {} lies after --last-sector {}", first, last);
  context.u64FirstSectorToScan = first;
  context.u64EndSectorToScan = last + 1;
  return {};
}

// Every place the scan will write, checked before it starts: a long scan must not end in a path that cannot be written.
std::string outputProblem(const ScanOptions& options, const Device& device) {
  if (!options.outDirectory.empty()) {
    if (destinationOnDevice(options.outDirectory, device))
      return fmt::format("destination {} lies on {}, the device being scanned: saving there could overwrite the files "
                         "being recovered",
                         options.outDirectory, options.source);
    if (!options.force)
      if (auto problem = existingRecoveryProblem(options.outDirectory, kRootFolderName); !problem.empty())
        return problem;
    if (auto problem = prepareDestination(options.outDirectory); !problem.empty()) return problem;
  }
  for (const std::string* file : {&options.jsonFile, &options.dfxmlFile, &options.badSectorsFile})
    if (!file->empty())
      if (auto problem = unwritableFileProblem(*file); !problem.empty()) return problem;
  if (!options.saveInfo.empty()) return scanInfoPathProblem(options.saveInfo);
  return {};
}

}  // namespace

int runScan(const ScanOptions& options) {
  const TypeSelectionResult selection = selectTypes(options.types, options.group);
  if (!selection.error.empty()) return commandError(kBadInput, selection.error);
  if (auto problem = sizeRangeProblem(options.sizes); !problem.empty()) return commandError(kBadInput, problem);

  std::string reason;
  auto device = Device::open(options.source, &reason);
  if (!device) return commandError(kFailure, fmt::format("cannot open {}: {}", options.source, reason));
  if (!options.quiet) fmt::print(stderr, "{}\n", openedSourceText(*device));
  const uint32_t sectorSize = options.sectorSize ? options.sectorSize : device->logicalBlockSize();
  if (auto problem = sectorSizeProblem(sectorSize); !problem.empty()) return commandError(kBadInput, problem);
  DfxmlReport dfxml{options.source, deviceKindName(device->kind()), device->sizeInBytes(), sectorSize,
                    options.commandLine, std::chrono::system_clock::now(), {}};

  ScanContext context;
  context.selectedDriveMountPoint = options.source;
  context.selectedDrive = options.source;
  context.u32BytesInSector = sectorSize;
  context.selectedDriveSize = device->sizeInBytes();
  context.u64DriveSectorNumber = sectorsCovering(device->sizeInBytes(), sectorSize);
  if (auto problem = applyRegion(options, context); !problem.empty()) return commandError(kBadInput, problem);
  if (auto problem = outputProblem(options, *device); !problem.empty()) return commandError(kBadInput, problem);
  device.reset();
  if (!options.saveInfo.empty()) prepareScanInfo(context);

  ConsoleObserver console(context, options.quiet);
  if (!options.quiet)
    fmt::print(stderr, "Scanning {} ({}, {} sectors of {} bytes) for {}\n", options.source,
               sizeText(context.selectedDriveSize), context.u64DriveSectorNumber, sectorSize,
               selectedKeys(selection.selected));
  // Held through saving too; let go when the command returns.
  Sleep sleep;
  if (!sleep.startPreventingSleep() && !options.quiet)
    fmt::print(stderr, "salvonix: {}; the machine may sleep during the scan\n", sleep.failure());
  installInterruptHandler();
  setInterruptTarget(&context.bCancelScanning);
  Scanning scanning(context, console);
  scanning.scanningThread(selection.selected);
  setInterruptTarget(nullptr);
  const bool stopped = interrupted();
  if (options.verbose) fmt::print(stderr, "number of the sectors is {}\n", scanning.lastSectorNumber());

  HDIR& found = *scanning.dirRoot();
  const std::shared_ptr<HDIR> shown = options.sizes.all() ? scanning.dirRoot() : filesWithin(found, options.sizes);
  // With the JSON on standard output, the listing goes beside the progress.
  if (options.jsonFile != kStandardOutput) printResultTree(std::cout, *shown);
  else if (!options.quiet) printResultTree(std::cerr, *shown);
  std::cout.flush();

  const ScanSummary summary{options.source, context.selectedDriveSize, sectorSize, context.u64DriveSectorNumber,
                            console.elapsedSeconds(), stopped};
  const std::vector<std::string> fallbacks = {options.outDirectory, std::filesystem::temp_directory_path().string()};
  bool fellBack = false;
  // Every file found is kept in the scan information file, whatever is listed.
  if (!options.saveInfo.empty()) {
    const WrittenFile info = saveScanInfoAfterScan(options.saveInfo, context, found, fallbacks);
    if (!info.fellBack && !options.quiet) fmt::print(stderr, "Scan information saved at {}\n", info.path);
    fellBack |= info.fellBack;
  }
  if (!options.jsonFile.empty())
    fellBack |= writeWithFallback("JSON result", options.jsonFile, fallbacks, [&](const std::string& path) {
                  return writeJson(path, withUnreadableSectors(resultJson(*shown, summary), context.unreadableSectors,
                                                               sectorSize));
                }).fellBack;
  if (!options.badSectorsFile.empty()) {
    const uint64_t scannedBytes = static_cast<uint64_t>(scanning.lastSectorNumber() + 1) * sectorSize;
    fellBack |= writeWithFallback("bad-sector map", options.badSectorsFile, fallbacks, [&](const std::string& path) {
                  return writeBadSectorMap(path, context.unreadableSectors, context.selectedDriveSize, sectorSize,
                                           scannedBytes);
                }).fellBack;
  }
  if (!options.dfxmlFile.empty()) {
    dfxml.end = std::chrono::system_clock::now();
    fellBack |= writeWithFallback("DFXML report", options.dfxmlFile, fallbacks, [&](const std::string& path) {
                  return writeDfxml(path, *shown, dfxml);
                }).fellBack;
  }

  int saved = kDone;
  if (!options.outDirectory.empty() && shown->fileCount > 0) {
    CheckController(shown.get(), 1, context.u64SelectedFileSize).run();
    saved = saveRecovery(context, *shown, summary, options.outDirectory, console);
  }
  if (stopped || saved == kStopped) return kStopped;
  if (saved != kDone) return saved;
  if (fellBack) return kFailure;
  return context.unreadableSectors.empty() ? kDone : kUnreadableSectors;
}

}  // namespace salvonix
