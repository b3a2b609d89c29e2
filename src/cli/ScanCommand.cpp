#include "cli/ScanCommand.h"

#include <filesystem>
#include <fstream>
#include <iostream>

#include <fmt/format.h>

#include "cli/ConsoleObserver.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/ResultReport.h"
#include "cli/ScanInfoSaving.h"
#include "cli/TypeSelection.h"
#include "cli/UnreadableReport.h"
#include "output/DestinationCheck.h"
#include "output/RecoveredFileSaver.h"
#include "output/SizeText.h"
#include "power/Sleep.h"
#include "scan/Device.h"
#include "scan/Scanning.h"

namespace salvonix {

namespace {

bool validSectorSize(uint32_t size) { return size == 512 || size == 1024 || size == 2048 || size == 4096; }

// Creates the destination and proves that a file can be written there.
std::string prepareDestination(const std::string& directory) {
  std::error_code failure;
  std::filesystem::create_directories(directory, failure);
  if (failure) return fmt::format("cannot create destination {}: {}", directory, failure.message());
  const std::string probe = directory + "/.salvonix-write-test";
  std::ofstream file(probe);
  if (!(file << "x") || !file.flush()) return fmt::format("cannot write to destination {}", directory);
  file.close();
  std::filesystem::remove(probe, failure);
  return {};
}

std::string writeJson(const std::string& path, const nlohmann::json& json) {
  std::ofstream file(path);
  if (!(file << json.dump(2) << '\n') || !file.flush()) return fmt::format("cannot write {}", path);
  return {};
}

}  // namespace

int runScan(const ScanOptions& options) {
  const TypeSelectionResult selection = selectTypes(options.types, options.group);
  if (!selection.error.empty()) return commandError(kBadInput, selection.error);

  std::string reason;
  auto device = Device::open(options.source, &reason);
  if (!device) return commandError(kFailure, fmt::format("cannot open {}: {}", options.source, reason));
  const uint32_t sectorSize = options.sectorSize ? options.sectorSize : device->logicalBlockSize();
  if (!validSectorSize(sectorSize))
    return commandError(kBadInput, fmt::format("sector size {} does not divide 65,536 (use 512, 1024, 2048 or 4096)",
                                        sectorSize));
  if (!options.outDirectory.empty()) {
    if (destinationOnDevice(options.outDirectory, *device))
      return commandError(kBadInput, fmt::format("destination {} lies on {}, the device being scanned: saving there could "
                                          "overwrite the files being recovered",
                                          options.outDirectory, options.source));
    if (auto problem = prepareDestination(options.outDirectory); !problem.empty()) return commandError(kFailure, problem);
  }

  BadSectorMapFile badSectors(options.badSectorsFile);
  if (!badSectors.ready()) return commandError(kFailure, badSectors.error());

  ScanContext context;
  context.selectedDriveMountPoint = options.source;
  context.selectedDrive = options.source;
  context.u32BytesInSector = sectorSize;
  context.selectedDriveSize = device->sizeInBytes();
  context.u64DriveSectorNumber = sectorsCovering(device->sizeInBytes(), sectorSize);
  device.reset();
  if (!options.saveInfo.empty()) prepareScanInfo(context);

  ConsoleObserver console(context);
  fmt::print(stderr, "Scanning {} ({}, {} sectors of {} bytes) for {}\n", options.source,
             sizeText(context.selectedDriveSize), context.u64DriveSectorNumber, sectorSize,
             selectedKeys(selection.selected));
  installInterruptHandler();
  setInterruptTarget(&context.bCancelScanning);
  Sleep sleep;
  Scanning scanning(context, console, &sleep);
  scanning.scanningThread(selection.selected);
  setInterruptTarget(nullptr);
  const bool stopped = interrupted();
  const bool badSectorsWritten = badSectors.write(context.unreadableSectors, context.selectedDriveSize, sectorSize,
                                                  static_cast<uint64_t>(scanning.lastSectorNumber() + 1) * sectorSize);

  HDIR& root = *scanning.dirRoot();
  printResultTree(std::cout, root);
  std::cout << fmt::format("\n\n\nnumber of the sectors is {}\n", scanning.lastSectorNumber());
  std::cout.flush();

  if (!options.jsonFile.empty()) {
    const ScanSummary summary{options.source, context.selectedDriveSize, sectorSize, context.u64DriveSectorNumber,
                              console.elapsedSeconds(), stopped};
    const nlohmann::json result = withUnreadableSectors(resultJson(root, summary), context.unreadableSectors, sectorSize);
    if (auto problem = writeJson(options.jsonFile, result); !problem.empty()) return commandError(kFailure, problem);
  }
  if (!options.saveInfo.empty()) {
    if (auto problem = saveScanInfoAfterScan(options.saveInfo, context, root); !problem.empty())
      return commandError(kFailure, problem);
  }

  if (!options.outDirectory.empty() && root.fileCount > 0) {
    CheckController(&root, 1, context.u64SelectedFileSize).run();
    RecoveredFileSaver saver(context, console);
    setInterruptTarget(&saver.abortSavingFlag());
    console.startSaving(context.u64SelectedFileSize);
    const SaveOutcome outcome = saver.save(root, options.outDirectory);
    setInterruptTarget(nullptr);
    console.finishSaving();
    printIncompleteFiles(outcome);
    for (const auto& failure : outcome.failures) fmt::print(stderr, "salvonix: not saved: {}: {}\n", failure.path, failure.reason);
    if (outcome.stopped) return commandError(kStopped, "saving stopped; the files saved so far are kept");
    if (!outcome.failures.empty())
      return commandError(kFailure, fmt::format("{} of {} files could not be saved", outcome.failures.size(), root.fileCount));
    fmt::print(stderr, "Files saved below {}\n", std::filesystem::absolute(options.outDirectory).string());
  }
  if (!badSectorsWritten) return kFailure;
  return stopped ? kStopped : context.unreadableSectors.empty() ? 0 : kUnreadableSectors;
}

}  // namespace salvonix
