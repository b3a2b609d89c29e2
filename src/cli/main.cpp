// salvonix: recovers photos, audio and video from a device or a disk image.

#include <CLI/CLI.hpp>

#include "cli/DrivesCommand.h"
#include "cli/ExitCodes.h"
#include "cli/OpenCommand.h"
#include "cli/ScanCommand.h"
#include "cli/TypesCommand.h"

namespace {

void addSizeFilters(CLI::App& command, salvonix::SizeRange& sizes) {
  command.add_option("--min-size", sizes.min, "List and save only files of at least this size (e.g. 100k, 2M)")
      ->transform(CLI::AsSizeValue(false));
  command.add_option("--max-size", sizes.max, "List and save only files of at most this size (e.g. 50M)")
      ->transform(CLI::AsSizeValue(false));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Salvonix recovers lost photos, audio and video from a storage device or a disk image."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "salvonix " SALVONIX_VERSION);

  salvonix::ScanOptions scan;
  std::string typeKeys;
  auto* scanCommand = app.add_subcommand("scan", "Scan a block device or disk image for lost files");
  scanCommand->add_option("SOURCE", scan.source, "Block device or disk image file (opened read-only)")->required();
  auto* types =
      scanCommand->add_option("--types", typeKeys, "File types to look for, e.g. jpg,bmp,wav (see: salvonix types)");
  scanCommand->add_option("--group", scan.group, "image, audio, video or all (default: all supported types)")
      ->excludes(types);
  scanCommand->add_option("--sector-size", scan.sectorSize,
                          "Bytes per sector: 512, 1024, 2048 or 4096 (default: the device's logical block size, 512 "
                          "for an image file)");
  scanCommand->add_option("--first-sector", scan.firstSector, "Scan from this sector on (default: 0)");
  scanCommand->add_option("--last-sector", scan.lastSector, "Scan up to this sector, included (default: the last)");
  addSizeFilters(*scanCommand, scan.sizes);
  scanCommand->add_option("--out", scan.outDirectory, "Save every file listed below this folder, with report.txt");
  scanCommand->add_flag("--force", scan.force, "Save into a folder that already holds a recovery");
  scanCommand->add_option("--json", scan.jsonFile, "Write the result as JSON to this file (-: standard output)");
  scanCommand->add_option("--save-info", scan.saveInfo,
                          "Write the scan information file (.qsn) when the scan ends; in a folder under a default name");
  scanCommand->add_flag("--quiet", scan.quiet, "No progress and no warnings on standard error");
  scanCommand->add_flag("--verbose", scan.verbose, "Also tell the last sector examined");
  scanCommand->add_option("--dfxml", scan.dfxmlFile, "Write a DFXML report of the files found to this file");
  scan.commandLine.assign(argv, argv + argc);
  scanCommand->add_option("--bad-sectors", scan.badSectorsFile, "Write the unreadable sectors as a GNU ddrescue mapfile");

  salvonix::DrivesOptions drives;
  auto* drivesCommand = app.add_subcommand("drives", "List the drives that can be scanned");
  drivesCommand->add_flag("--json", drives.json, "Write the drive records as JSON");
  drivesCommand->add_flag("--watch", drives.watch, "List them again whenever a drive is attached or removed");

  salvonix::OpenOptions open;
  auto* openCommand = app.add_subcommand("open", "Open a scan information file, show its files and save them");
  openCommand->add_option("FILE", open.scanInfoFile, "Scan information file (.qsn)")->required();
  openCommand->add_option("--out", open.outDirectory, "Save the marked files below this folder, with report.txt");
  openCommand->add_flag("--all", open.all, "With --out: save every file, not only the marked ones");
  openCommand->add_option("--source", open.source,
                          "Device or image to read instead of the drive the file belongs to");
  openCommand->add_flag("--force", open.force,
                        "Save even from a source whose first sectors differ from the scanned drive's, or into a folder "
                        "that already holds a recovery");
  addSizeFilters(*openCommand, open.sizes);
  openCommand->add_option("--json", open.jsonFile, "Write the result as JSON to this file (-: standard output)");
  openCommand->add_flag("--quiet", open.quiet, "No progress on standard error");

  auto* typesCommand = app.add_subcommand("types", "List the file types a scan can look for");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Help and version end well; every argument error is bad input.
    return app.exit(error) == 0 ? salvonix::kDone : salvonix::kBadInput;
  }
  if (types->count() > 0) scan.types = typeKeys;
  if (*scanCommand) return salvonix::runScan(scan);
  if (*drivesCommand) return salvonix::runDrives(drives);
  if (*openCommand) return salvonix::runOpen(open);
  if (*typesCommand) return salvonix::runTypes();
  return salvonix::kDone;
}
