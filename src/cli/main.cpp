// salvonix: recovers photos, audio and video from a device or a disk image.

#include <CLI/CLI.hpp>

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

  CLI11_PARSE(app, argc, argv);
  if (*scanCommand) return salvonix::runScan(scan);
  return 0;
}
