#pragma once
// What every benchmark shares: alerts printed with their default answer,
// whole files read, the tools that make real files run, and a scan of an
// image with every type selected.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scan/ScanObserver.h"
#include "scan/Scanning.h"

namespace salvonix::bench {

inline void printAlert(const Alert& alert) {
  std::fprintf(stderr, "alert: %s %s\n", alert.title.c_str(), alert.text.c_str());
}

class AlertPrinter : public ScanObserver {
 public:
  int showAlert(const Alert& alert) override {
    printAlert(alert);
    return 0;
  }
};

inline std::vector<uint8_t> readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A tool that scripts/setup installs; the benchmark cannot go on without it.
inline void runOrExit(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
    std::fprintf(stderr, "failed: %s (run scripts/setup)\n", command.c_str());
    std::exit(1);
  }
}

// Scans the first bytes of the image, in 512-byte sectors, for every type.
inline void scanEveryType(Scanning& scanning, ScanContext& context, const std::string& image, uint64_t bytes) {
  context.selectedDriveMountPoint = image;
  context.u32BytesInSector = 512;
  context.u64DriveSectorNumber = bytes / 512;
  TypeSet everyType;
  everyType.fill(true);
  scanning.scanningThread(everyType);
}

}  // namespace salvonix::bench
