// How quickly a preview shows a photo, and how quickly a read stops when the
// user moves on, in one run.
//
//   preview-read [WORK_DIR]
//
// Lays a 6 MB, 3000 x 2000 JPEG made by ImageMagick 300 bytes into a sector of
// an image file (in the page cache after a first read) and times, 20 times,
// the way from the start of the read to the picture at its shown size: the
// read, the decoding and the scaling, each as a median. Then starts 20 reads
// of a 50 MiB file on another thread, sets the abort flag a while later and
// prints the median and longest time from setting the flag until the read
// returns, next to the time one 64 KiB piece takes.

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "browse/PreviewData.h"
#include "scan/Device.h"
#include "scan/HDIR.h"

using namespace salvonix;
using namespace salvonix::gui;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 20;
constexpr uint64_t kPhotoSector = 64;
constexpr int32_t kPhotoLeading = 300;
constexpr uint64_t kLargeSector = 32 * 1024;  // 16 MiB in
constexpr uint64_t kLargeSize = kPreviewReadLimit;

double millis(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void writeAt(int fd, uint64_t offset, const std::vector<uint8_t>& bytes) {
  if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size())) {
    std::fprintf(stderr, "cannot write the image\n");
    std::exit(1);
  }
}

std::vector<uint8_t> makePhoto(const fs::path& dir) {
  const fs::path out = dir / "photo.jpg";
  const std::string command = "convert -seed 1 -size 3000x2000 plasma: +noise Gaussian -quality 92 '" + out.string() +
                              "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "ImageMagick convert failed; run scripts/setup\n");
    std::exit(1);
  }
  std::ifstream in(out, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // image format plugins
  const fs::path dir = fs::path(argc > 1 ? argv[1] : fs::temp_directory_path().string()) / "salvonix-preview-bench";
  fs::create_directories(dir);
  const std::string imagePath = (dir / "card.img").string();

  const std::vector<uint8_t> photo = makePhoto(dir);
  std::vector<uint8_t> large(kLargeSize);
  std::mt19937_64 random(7);
  for (auto& byte : large) byte = static_cast<uint8_t>(random());
  const int fd = ::open(imagePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  writeAt(fd, kPhotoSector * 512 + kPhotoLeading, photo);
  writeAt(fd, kLargeSector * 512, large);
  ::close(fd);
  const auto device = Device::open(imagePath);
  if (!device) return 1;

  const PreviewTarget photoTarget{"photo.jpg", kFileType, kPhotoSector, photo.size(), kPhotoLeading};
  const PreviewTarget largeTarget{"movie.mov", kFileType, kLargeSector, kLargeSize * 2, 0};
  const std::atomic<bool> noAbort{false};
  readDataForPreview(device, 512, photoTarget, noAbort);  // into the page cache
  readDataForPreview(device, 512, largeTarget, noAbort);

  std::vector<double> read, decode, scale, total;
  QSize shown;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    const PreviewBytes bytes = readDataForPreview(device, 512, photoTarget, noAbort);
    const auto readDone = Clock::now();
    const QImage image = QImage::fromData(bytes.bytes.data(), static_cast<int>(bytes.bytes.size()));
    const auto decoded = Clock::now();
    shown = previewImageSize(image.size(), false);
    const QImage picture = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const auto end = Clock::now();
    if (bytes.outcome != PreviewRead::Loaded || picture.isNull()) {
      std::fprintf(stderr, "the photo did not load\n");
      return 1;
    }
    read.push_back(millis(start, readDone));
    decode.push_back(millis(readDone, decoded));
    scale.push_back(millis(decoded, end));
    total.push_back(millis(start, end));
  }
  std::printf("photo: %zu bytes, 3000 x 2000 shown at %d x %d; median of %d runs\n", photo.size(), shown.width(),
              shown.height(), kRuns);
  std::printf("  read %.2f ms, decode %.2f ms, scale %.2f ms; start to shown picture %.2f ms\n", median(read),
              median(decode), median(scale), median(total));

  // The alternative of letting the JPEG decoder scale down while decoding.
  std::vector<double> direct;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    const PreviewBytes bytes = readDataForPreview(device, 512, photoTarget, noAbort);
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.bytes.data()),
                                              static_cast<qsizetype>(bytes.bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setScaledSize(previewImageSize(reader.size(), false));
    if (reader.read().isNull()) return 1;
    direct.push_back(millis(start, Clock::now()));
  }
  std::printf("  decoded at the shown size by the reader (setScaledSize): start to shown picture %.2f ms\n",
              median(direct));

  std::vector<double> whole, plain;
  for (int run = 0; run < 5; ++run) {
    auto start = Clock::now();
    readDataForPreview(device, 512, largeTarget, noAbort);
    whole.push_back(millis(start, Clock::now()));
    start = Clock::now();
    std::vector<uint8_t> buffer(kLargeSize);
    device->readAt(kLargeSector * 512, buffer.data(), buffer.size());
    plain.push_back(millis(start, Clock::now()));
  }
  const double wholeMs = median(whole);
  const double pieceMs = wholeMs * kPreviewPiece / kLargeSize;
  std::printf("50 MiB read whole: %.2f ms (one pread into a new buffer: %.2f ms), so one 64 KiB piece %.3f ms\n",
              wholeMs, median(plain), pieceMs);

  // Abort about a third of the way through, as a user moving to the next row.
  const auto delay = std::chrono::duration<double, std::milli>(wholeMs / 3);
  std::vector<double> latency;
  std::vector<std::size_t> readAtAbort;
  for (int run = 0; run < kRuns; ++run) {
    std::atomic<bool> abort{false};
    PreviewBytes result;
    Clock::time_point returned;
    std::thread reader([&] {
      result = readDataForPreview(device, 512, largeTarget, abort);
      returned = Clock::now();
    });
    std::this_thread::sleep_for(delay);
    const auto set = Clock::now();
    abort = true;
    reader.join();
    if (result.outcome != PreviewRead::Aborted) continue;  // finished before the flag
    latency.push_back(millis(set, returned));
    readAtAbort.push_back(result.bytes.size());
  }
  fs::remove_all(dir);
  if (latency.empty()) {
    std::printf("abort: every read finished before the flag was set\n");
    return 0;
  }
  std::sort(readAtAbort.begin(), readAtAbort.end());
  std::printf("abort after %.1f ms (%zu of %d reads aborted, median %zu bytes read): flag to return median %.3f ms, "
              "longest %.3f ms (%.1f pieces)\n",
              delay.count(), latency.size(), kRuns, readAtAbort[readAtAbort.size() / 2], median(latency),
              *std::max_element(latency.begin(), latency.end()),
              *std::max_element(latency.begin(), latency.end()) / pieceMs);
  return 0;
}
