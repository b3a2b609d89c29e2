// Scan throughput against raw sequential reads of the same image, in one run.
//
//   scan-throughput [IMAGE_DIR] [SIZE_MIB]
//
// Builds a sparse-content image (random data, zeros and real JPEG files made
// by ImageMagick), warms the page cache, then measures the raw read and the
// scan with every built type selected. Prints MB/s for both and their ratio,
// and the resident memory before and after each scan.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "scan/Device.h"
#include "scan/FileTypes.h"
#include "scan/ScanObserver.h"
#include "scan/Scanning.h"

using namespace salvonix;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMiB = 1 << 20;

class AllBuiltTypes : public ScanObserver {
 public:
  bool fileSelectionFlag(FileType) override { return true; }
  int showAlert(const Alert& alert) override {
    std::fprintf(stderr, "alert: %s %s\n", alert.title.c_str(), alert.text.c_str());
    return 0;
  }
};

std::vector<uint8_t> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Real JPEG photos of a few sizes, made once per run.
std::vector<std::vector<uint8_t>> makeJpegs(const fs::path& dir) {
  std::vector<std::vector<uint8_t>> files;
  const char* sizes[] = {"640x480", "1600x1200", "3000x2000"};
  for (int i = 0; i < 3; ++i) {
    const fs::path out = dir / ("photo" + std::to_string(i) + ".jpg");
    const std::string command = std::string("convert -seed ") + std::to_string(i + 1) + " -size " + sizes[i] +
                                " plasma:fractal -quality 90 '" + out.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "ImageMagick convert failed; run scripts/setup\n");
      std::exit(1);
    }
    files.push_back(readWhole(out));
  }
  return files;
}

// 16 MiB regions: random data with JPEGs laid in every 4 MiB, or zeros.
void buildSparseImage(const fs::path& path, uint64_t bytes, const std::vector<std::vector<uint8_t>>& jpegs,
                      uint64_t& jpegCount) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::mt19937_64 random(42);
  std::vector<uint8_t> region(16 * kMiB);
  jpegCount = 0;
  for (uint64_t offset = 0; offset < bytes; offset += region.size()) {
    const bool zeros = (offset / region.size()) % 4 == 3;
    if (zeros) {
      std::fill(region.begin(), region.end(), 0);
    } else {
      auto* words = reinterpret_cast<uint64_t*>(region.data());
      for (size_t i = 0; i < region.size() / 8; ++i) words[i] = random();
      for (uint64_t at = 0; at + 4 * kMiB <= region.size(); at += 4 * kMiB) {
        const auto& jpeg = jpegs[jpegCount % jpegs.size()];
        std::copy(jpeg.begin(), jpeg.end(), region.begin() + static_cast<long>(at));
        ++jpegCount;
      }
    }
    if (::pwrite(fd, region.data(), region.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(region.size())) {
      std::perror("pwrite");
      std::exit(1);
    }
  }
  ::close(fd);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

double rawReadSeconds(const fs::path& path, uint64_t bytes) {
  auto device = Device::open(path.string());
  std::vector<uint8_t> buffer(kMiB);
  const auto start = std::chrono::steady_clock::now();
  for (uint64_t offset = 0; offset < bytes; offset += buffer.size()) device->readAt(offset, buffer.data(), buffer.size());
  return secondsSince(start);
}

double scanSeconds(const fs::path& path, uint64_t bytes, uint64_t& found, long& residentGrowthKiB) {
  ScanContext context;
  AllBuiltTypes observer;
  context.selectedDriveMountPoint = path.string();
  context.u32BytesInSector = 512;
  context.u64DriveSectorNumber = bytes / 512;
  Scanning scanning(context, observer);
  const long before = residentKiB();
  const auto start = std::chrono::steady_clock::now();
  scanning.scanningThread();
  const double seconds = secondsSince(start);
  residentGrowthKiB = residentKiB() - before;
  found = scanning.dirRoot()->fileCount;
  return seconds;
}

struct Measurement {
  double rawMBps;
  double scanMBps;
  uint64_t found;
  long residentGrowthKiB;
};

Measurement measure(const fs::path& image, uint64_t bytes, int rounds) {
  rawReadSeconds(image, bytes);  // warm the page cache
  Measurement best{0, 0, 0, 0};
  for (int round = 0; round < rounds; ++round) {
    // Alternate so that neither side always runs on a warmer cache.
    const double raw = rawReadSeconds(image, bytes);
    const double scan = scanSeconds(image, bytes, best.found, best.residentGrowthKiB);
    best.rawMBps = std::max(best.rawMBps, static_cast<double>(bytes) / raw / 1e6);
    best.scanMBps = std::max(best.scanMBps, static_cast<double>(bytes) / scan / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "salvonix-bench";
  const uint64_t sizeMiB = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2048;
  fs::create_directories(dir);
  const auto jpegs = makeJpegs(dir);

  std::printf("%-8s %10s %10s %10s %8s %8s %14s\n", "image", "size MiB", "raw MB/s", "scan MB/s", "ratio", "found",
              "RSS growth KiB");
  // Two sizes show whether memory stays flat as the image grows.
  for (uint64_t mib : {sizeMiB / 4, sizeMiB}) {
    const fs::path image = dir / "sparse.img";
    uint64_t jpegCount = 0;
    buildSparseImage(image, mib * kMiB, jpegs, jpegCount);
    const Measurement m = measure(image, mib * kMiB, 3);
    std::printf("%-8s %10llu %10.0f %10.0f %8.2f %8llu %14ld\n", "sparse", static_cast<unsigned long long>(mib),
                m.rawMBps, m.scanMBps, m.scanMBps / m.rawMBps, static_cast<unsigned long long>(m.found),
                m.residentGrowthKiB);
    std::printf("  (%llu real JPEG files laid in)\n", static_cast<unsigned long long>(jpegCount));
    fs::remove(image);
  }
  return 0;
}
