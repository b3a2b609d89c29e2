// salvonix: recovers photos, audio and video from a device or a disk image.

#include <CLI/CLI.hpp>

#include "cli/DrivesCommand.h"
#include "cli/OpenCommand.h"
#include "cli/ScanCommand.h"

int main(int argc, char** argv) {
  CLI::App app{"Salvonix recovers lost photos, audio and video from a storage device or a disk image."};
  app.require_subcommand(1);

  salvonix::ScanOptions scan;
  auto* scanCommand = app.add_subcommand("scan", "Scan a block device or disk image for lost files");
  scanCommand->add_option("SOURCE", scan.source, "Block device or disk image file (opened read-only)")->required();
  auto* types = scanCommand->add_option("--types", scan.types, "File types to look for, e.g. jpg,bmp,wav");
  scanCommand->add_option("--group", scan.group, "image, audio, video or all (default: all supported types)")
      ->excludes(types);
  scanCommand->add_option("--sector-size", scan.sectorSize,
                          "Bytes per sector (default: the device's logical block size, 512 for an image file)");
  scanCommand->add_option("--out", scan.outDirectory, "Save every file found below this folder");
  scanCommand->add_option("--json", scan.jsonFile, "Write the result as JSON to this file");
  scanCommand->add_option("--save-info", scan.saveInfo,
                          "Write the scan information file (.qsn) when the scan ends; in a folder under a default name");
  scanCommand->add_option("--bad-sectors", scan.badSectorsFile, "Write the unreadable sectors as a GNU ddrescue mapfile");

  salvonix::DrivesOptions drives;
  auto* drivesCommand = app.add_subcommand("drives", "List the drives that can be scanned");
  drivesCommand->add_flag("--json", drives.json, "Write the drive records as JSON");
  drivesCommand->add_flag("--watch", drives.watch, "List them again whenever a drive is attached or removed");

  salvonix::OpenOptions open;
  auto* openCommand = app.add_subcommand("open", "Open a scan information file, show its files and save them");
  openCommand->add_option("FILE", open.scanInfoFile, "Scan information file (.qsn)")->required();
  openCommand->add_option("--out", open.outDirectory, "Save the marked files below this folder");
  openCommand->add_flag("--all", open.all, "With --out: save every file, not only the marked ones");
  openCommand->add_option("--source", open.source,
                          "Device or image to read instead of the drive the file belongs to");
  openCommand->add_option("--json", open.jsonFile, "Write the result as JSON to this file");

  CLI11_PARSE(app, argc, argv);
  if (*scanCommand) return salvonix::runScan(scan);
  if (*drivesCommand) return salvonix::runDrives(drives);
  if (*openCommand) return salvonix::runOpen(open);
  return 0;
}
