// Scan throughput against raw sequential reads of the same image, in one run.
//
//   scan-throughput [IMAGE_DIR] [SIZE_MIB]
//
// Builds a sparse-content image (random data, zeros and real JPEG files made
// by ImageMagick) and a dense one (mostly real MP3, MP4, MOV and PNG files
// made by lame, ffmpeg and ImageMagick, random data between them), warms the
// page cache, then measures the raw read and the scan with every built type
// selected. Prints MB/s for both and their ratio, and the resident memory
// before and after each scan. Then the dense image against E01 images of it
// (ewfacquire, from ewf-tools), and the dense image with 1,000 scattered
// unreadable sectors against the same image without them.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BadSectorScan.h"
#include "BenchTools.h"
#include "scan/Device.h"

using namespace salvonix;
using bench::readWhole, bench::runOrExit;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMiB = 1 << 20;

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

// Real MP3 (with and without an ID3v2 tag), MP4, MOV and PNG files, made once per run.
std::vector<std::vector<uint8_t>> makeMedia(const fs::path& dir) {
  std::string d = "'";
  d += dir.string() + "/";
  const std::string ffmpeg = "ffmpeg -nostdin -y -f lavfi -i testsrc2=size=1280x720:rate=25 -f lavfi -i sine -t 6 "
                             "-c:v mpeg4 -q:v 2 -c:a aac ";
  runOrExit("sox -n -r 44100 -c 2 " + d + "tone.wav' synth 120 sine 440 sine 660");
  runOrExit("lame --quiet " + d + "tone.wav' " + d + "plain.mp3'");
  runOrExit("lame --quiet --add-id3v2 --tt Bench " + d + "tone.wav' " + d + "tagged.mp3'");
  runOrExit(ffmpeg + d + "clip.mp4'");
  runOrExit(ffmpeg + d + "clip.mov'");
  runOrExit("convert -seed 5 -size 1024x768 plasma:fractal " + d + "large.png'");
  runOrExit("convert -seed 6 -size 640x480 plasma:fractal " + d + "small.png'");
  std::vector<std::vector<uint8_t>> files;
  for (const char* name : {"plain.mp3", "clip.mp4", "large.png", "tagged.mp3", "clip.mov", "small.png"})
    files.push_back(readWhole(dir / name));
  return files;
}

// The media files one after another from sector boundaries, with up to
// 512 KiB of random data between them.
void buildDenseImage(const fs::path& path, uint64_t bytes, const std::vector<std::vector<uint8_t>>& media,
                     uint64_t& fileCount, uint64_t& fileBytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::mt19937_64 random(7);
  std::vector<uint8_t> gap(512 * 1024);
  fileCount = fileBytes = 0;
  uint64_t offset = 0;
  const auto write = [&](const uint8_t* data, uint64_t length) {
    length = std::min(length, bytes - offset);
    if (::pwrite(fd, data, length, static_cast<off_t>(offset)) != static_cast<ssize_t>(length)) {
      std::perror("pwrite");
      std::exit(1);
    }
    offset += length;
  };
  while (offset < bytes) {
    const auto& file = media[fileCount % media.size()];
    if (offset + file.size() <= bytes) {
      write(file.data(), file.size());
      ++fileCount;
      fileBytes += file.size();
    }
    const uint64_t gapBytes = 512 * (1 + random() % (gap.size() / 512)) - offset % 512;
    auto* words = reinterpret_cast<uint64_t*>(gap.data());
    for (size_t i = 0; i < gap.size() / 8; ++i) words[i] = random();
    write(gap.data(), gapBytes);
  }
  ::close(fd);
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
  bench::AlertPrinter observer;
  Scanning scanning(context, observer);
  const long before = residentKiB();
  const auto start = std::chrono::steady_clock::now();
  bench::scanEveryType(scanning, context, path.string(), bytes);
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

// The dense image scanned as it is and as E01 images made of it by
// ewfacquire, uncompressed and with fast deflate, in 128 MiB segments.
// "read MB/s" is a sequential read through the source's reader.
void compareE01WithRaw(const fs::path& dir, uint64_t mib, const std::vector<std::vector<uint8_t>>& media) {
  const fs::path image = dir / "e01-source.img";
  const uint64_t bytes = mib * kMiB;
  uint64_t fileCount = 0;
  uint64_t fileBytes = 0;
  buildDenseImage(image, bytes, media, fileCount, fileBytes);
  std::printf("\n%-18s %10s %10s %10s %14s %8s\n", "dense source", "size MiB", "read MB/s", "scan MB/s",
              "scan vs raw", "found");
  const Measurement raw = measure(image, bytes, 3);
  std::printf("%-18s %10llu %10.0f %10.0f %14.2f %8llu\n", "raw image", static_cast<unsigned long long>(mib),
              raw.rawMBps, raw.scanMBps, 1.0, static_cast<unsigned long long>(raw.found));
  for (const char* compression : {"none", "fast"}) {
    const fs::path target = dir / (std::string("e01-") + compression);
    runOrExit("ewfacquire -u -q -C bench -D bench -e bench -E 1 -N none -S 134217728 -c " + std::string(compression) +
              " -t '" + target.string() + "' '" + image.string() + "'");
    const Measurement e01 = measure(target.string() + ".E01", bytes, 3);
    std::printf("%-18s %10llu %10.0f %10.0f %14.2f %8llu\n", (std::string("E01, ") + compression).c_str(),
                static_cast<unsigned long long>(mib), e01.rawMBps, e01.scanMBps, e01.scanMBps / raw.scanMBps,
                static_cast<unsigned long long>(e01.found));
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().stem() == target.filename()) fs::remove(entry.path());
  }
  fs::remove(image);
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

  const auto media = makeMedia(dir);
  const fs::path image = dir / "dense.img";
  uint64_t fileCount = 0;
  uint64_t fileBytes = 0;
  buildDenseImage(image, sizeMiB * kMiB, media, fileCount, fileBytes);
  const Measurement m = measure(image, sizeMiB * kMiB, 3);
  std::printf("%-8s %10llu %10.0f %10.0f %8.2f %8llu %14ld\n", "dense", static_cast<unsigned long long>(sizeMiB),
              m.rawMBps, m.scanMBps, m.scanMBps / m.rawMBps, static_cast<unsigned long long>(m.found),
              m.residentGrowthKiB);
  std::printf("  (%llu real MP3, MP4, MOV and PNG files laid in, %.0f%% of the image)\n",
              static_cast<unsigned long long>(fileCount), 100.0 * static_cast<double>(fileBytes) /
                                                              static_cast<double>(sizeMiB * kMiB));
  bench::compareScatteredBadSectors(image, sizeMiB * kMiB);
  fs::remove(image);
  compareE01WithRaw(dir, sizeMiB / 4, media);
  return 0;
}
