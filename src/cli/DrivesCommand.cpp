#include "cli/DrivesCommand.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

#include <fmt/format.h>

#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"
#include "drives/DriveList.h"
#include "drives/DriveWatcher.h"
#include "drives/UdevEventSource.h"
#include "output/SizeText.h"

namespace salvonix {

namespace {

namespace k = drivekey;

std::string busText(const DriveRecord& record) {
  if (record.has(k::kWhetherUSB)) return "USB";
  if (record.has(k::kWhetherSATA)) return "SATA";
  return "-";
}

void printTable(const DriveList& list) {
  using Row = std::array<std::string, 5>;
  std::vector<Row> rows{{"NAME", "DEVICE", "SIZE", "SERIAL", "BUS"}};
  for (const DriveRecord& record : list.driveDictArray()) {
    const std::string name = nameLine(record);
    rows.push_back({name.empty() ? "-" : name, record.text(k::kDevicePath, "-"),
                    sizeText(record.number(k::kDeviceSize).value_or(0)), serialNumberColumn(record), busText(record)});
  }
  std::array<std::size_t, 5> widths{};
  for (const Row& row : rows)
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  for (const Row& row : rows)
    std::cout << fmt::format("{:<{}}  {:<{}}  {:>{}}  {:<{}}  {}\n", row[0], widths[0], row[1], widths[1], row[2],
                             widths[2], row[3], widths[3], row[4]);
  if (list.driveDictArray().empty()) std::cout << "No drives found.\n";
  std::cout.flush();
}

void printJson(const DriveList& list) {
  nlohmann::json drives = nlohmann::json::array();
  for (const DriveRecord& record : list.driveDictArray()) drives.push_back(toJson(record));
  nlohmann::json volumes = nlohmann::json::array();
  for (const DriveRecord& record : list.volumeDictArray()) volumes.push_back(toJson(record));
  writeJson(kStandardOutput, {{"drives", drives}, {"volumes", volumes}});
}

}  // namespace

int runDrives(const DrivesOptions& options) {
  ScanContext context;
  SystemDriveFinder system;
  DriveList list(context, system.finder());
  list.initialDriveList();
  auto show = [&] { options.json ? printJson(list) : printTable(list); };
  show();
  if (!options.watch) return kDone;

  UdevEventSource events;
  if (!events.valid()) return commandError(kFailure, "cannot watch for device changes here");
  std::atomic<bool> stop{false};
  installInterruptHandler();
  setInterruptTarget(&stop);
  std::mutex output;
  SteadyWatcherClock clock;
  DriveWatcher watcher(events, clock, [&] {
    std::lock_guard lock(output);
    list.refreshDriveList();
    if (!options.json) std::cout << '\n';
    show();
  });
  watcher.launchThread();
  fmt::print(stderr, "Watching for drives being attached or removed; Ctrl-C ends.\n");
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  watcher.stop();
  setInterruptTarget(nullptr);
  return kDone;
}

}  // namespace salvonix
