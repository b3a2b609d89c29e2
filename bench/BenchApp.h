#pragma once
// What the application benchmarks share: dialogs that print alerts and give
// their default answer, and a machine without drives (the benchmark adds its
// image as a disk image).

#include "BenchTools.h"
#include "app/Dialogs.h"
#include "drives/BlockDeviceTree.h"
#include "drives/FilesystemProbe.h"

namespace salvonix::bench {

class PrintingDialogs : public gui::Dialogs {
 public:
  int alert(QWidget*, const Alert& alert) override {
    printAlert(alert);
    return 0;
  }
  QString chooseFolder(QWidget*, const QString&) override { return {}; }
  QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

struct NoDrives : BlockDeviceTree, FilesystemProbe {
  std::vector<BlockDeviceEntry> blockDevices() override { return {}; }
  std::optional<FilesystemInfo> probe(const std::string&) override { return std::nullopt; }
};

}  // namespace salvonix::bench
