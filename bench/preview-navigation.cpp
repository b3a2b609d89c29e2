// Preview through the desktop application: how soon a photo is on screen, and
// how the window keeps up while the user moves through the rows.
//
//   preview-navigation [IMAGE_DIR] [TRIALS]
//
// Builds an image of 36 copies of a 6 MB, 12-megapixel JPEG photo (ImageMagick)
// and 15 of a 27 MB MPEG-4 clip (ffmpeg), reads it into the page cache and
// scans it through the application (offscreen). Then:
// - from a click on View to the photo on screen, TRIALS times (median, target
//   under 150 ms);
// - 50 clicks on the next-row button with the window open, from the first
//   clip through the clips into the photos: looking at each row (events
//   processed for 200 ms between clicks), hurrying (20 ms), as fast as
//   possible (one round of events between clicks), and hurrying over a card
//   that reads 80 MB/s. Each reports the longest time the event loop was held (a click,
//   or one round of events), the previews shown, that the last row is the one
//   shown, and the pieces a read went on with after the click that abandoned
//   it (at most the one in progress).

#include <fcntl.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "app/AppController.h"
#include "app/MainWindow.h"
#include "browse/HdirTreeModel.h"
#include "browse/Preview.h"
#include "browse/PreviewWindow.h"
#include "drives/DriveFinder.h"
#include "scan/RawDevice.h"

using namespace salvonix;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint64_t kMiB = 1 << 20;
constexpr int kClips = 15;
constexpr int kPhotos = 36;
constexpr int kSteps = 50;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// When each preview read opened the device, began and ended each of its pieces.
struct ReadLog {
  struct Piece {
    Clock::time_point start, end;
  };
  struct Opened {
    Clock::time_point at;
    std::vector<Piece> pieces;
  };
  std::mutex mutex;
  std::vector<Opened> opened;
};

// The image, as a card of a given speed (0: as fast as the page cache), logging its reads.
class LoggingDevice : public RawDevice {
 public:
  LoggingDevice(const std::string& path, ReadLog& log, double bytesPerSecond)
      : RawDevice(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path), log_(log), bytesPerSecond_(bytesPerSecond) {
    std::lock_guard lock(log_.mutex);
    index_ = log_.opened.size();
    log_.opened.push_back({Clock::now(), {}});
  }
  int64_t readAt(uint64_t offset, void* buffer, std::size_t length) const override {
    const auto start = Clock::now();
    const int64_t got = RawDevice::readAt(offset, buffer, length);
    if (bytesPerSecond_ > 0) std::this_thread::sleep_until(start + std::chrono::duration<double>(length / bytesPerSecond_));
    std::lock_guard lock(log_.mutex);
    log_.opened[index_].pieces.push_back({start, Clock::now()});
    return got;
  }

 private:
  ReadLog& log_;
  double bytesPerSecond_;
  std::size_t index_ = 0;
};

std::vector<uint8_t> made(const std::string& command, const fs::path& path) {
  if (!fs::exists(path) && std::system((command + " >/dev/null 2>&1").c_str()) != 0) fail("failed: " + command);
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path buildImage(const fs::path& dir) {
  const fs::path photoPath = dir / "preview-photo.jpg", clipPath = dir / "preview-clip.mp4";
  const auto photo = made("convert -seed 1 -size 4000x3000 plasma:fractal -quality 95 '" + photoPath.string() + "'", photoPath);
  const auto clip = made("ffmpeg -y -f lavfi -i 'testsrc=size=1280x720:rate=25,noise=alls=30:allf=t' -t 3 -c:v mpeg4 "
                         "-q:v 2 -g 25 '" +
                             clipPath.string() + "'",
                         clipPath);
  const fs::path image = dir / "preview-navigation.img";
  std::ofstream out(image, std::ios::binary | std::ios::trunc);
  const auto lay = [&](const std::vector<uint8_t>& file, uint64_t stride) {
    std::vector<char> gap(stride - file.size(), 0);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.write(gap.data(), static_cast<std::streamsize>(gap.size()));
  };
  const uint64_t clipStride = (clip.size() / kMiB + 2) * kMiB, photoStride = (photo.size() / kMiB + 2) * kMiB;
  for (int i = 0; i < kClips; ++i) lay(clip, clipStride);
  for (int i = 0; i < kPhotos; ++i) lay(photo, photoStride);
  out.close();
  std::printf("image: %d clips of %.1f MB, %d photos of %.1f MB (4000 x 3000), %.0f MB in all\n", kClips,
              clip.size() / 1e6, kPhotos, photo.size() / 1e6, fs::file_size(image) / 1e6);
  std::ifstream warm(image, std::ios::binary);  // into the page cache
  std::vector<char> buffer(kMiB);
  while (warm.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
  }
  return image;
}

struct App {
  bench::PrintingDialogs dialogs;
  bench::NoDrives machine;
  DriveFinder finder{machine, machine, "/dev/null", "/nonexistent"};
  gui::AppController controller{dialogs, finder};
  gui::MainWindow& window = controller.window();
  QTreeView& outline = *window.recoveredFilesPage->outlineViewForRecoveredFiles;
  gui::Preview& preview = controller.preview();
  int shown = 0;

  explicit App(const fs::path& image) {
    QObject::connect(&preview, &gui::Preview::previewShown, [this] { ++shown; });
    window.show();
    if (!controller.openDiskImage(QString::fromStdString(image.string()))) fail("cannot open the image");
    window.drivePage->nextButton->click();
    window.fileTypesPage->scannButton->click();
    while (controller.scanRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (controller.dirRoot()->fileCount != kClips + kPhotos)
      fail("the scan found " + std::to_string(controller.dirRoot()->fileCount) + " files");
  }
  QModelIndex firstFileOf(const std::string& folder) {
    for (const auto& child : controller.dirRoot()->children)
      if (child->fileName == folder) {
        const QModelIndex index = controller.resultsModel().indexOf(child.get());
        outline.expand(index);
        return controller.resultsModel().index(0, 0, index);
      }
    fail("no folder " + folder);
  }
  bool waitForShown(int after, double timeoutMs = 30000) {
    const auto start = Clock::now();
    while (shown <= after && msBetween(start, Clock::now()) < timeoutMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::usleep(200);
    }
    return shown > after;
  }
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void clickToPhoto(App& app, int trials) {
  const QModelIndex photo = app.firstFileOf("JPG Files");
  std::vector<double> times;
  for (int trial = 0; trial < trials; ++trial) {
    app.preview.closePreviewWindow();
    app.outline.setCurrentIndex(photo);
    QCoreApplication::processEvents();
    const int before = app.shown;
    const auto start = Clock::now();
    app.window.recoveredFilesPage->viewButton->click();
    if (!app.waitForShown(before) || app.preview.window().shownPage() != QLatin1String("image"))
      fail("the photo was not shown");
    times.push_back(msBetween(start, Clock::now()));
  }
  std::printf("View click to the 6 MB photo on screen, %d trials: median %.1f ms (min %.1f, max %.1f; target < 150)\n",
              trials, median(times), *std::min_element(times.begin(), times.end()),
              *std::max_element(times.begin(), times.end()));
}

void navigate(App& app, const fs::path& image, const char* name, int paceMs, double cardBytesPerSecond) {
  ReadLog log;
  app.controller.context().deviceOpener = [&](const std::string&) {
    return std::make_shared<LoggingDevice>(image.string(), log, cardBytesPerSecond);
  };
  app.preview.closePreviewWindow();
  app.firstFileOf("JPG Files");  // expanded, to be moved through
  app.outline.setCurrentIndex(app.firstFileOf("MP4 Files"));
  const int opened = app.shown;
  app.window.recoveredFilesPage->viewButton->click();
  if (!app.waitForShown(opened)) fail("the first clip was not shown");

  struct Click {
    Clock::time_point start, end;  // a running read is asked to stop in between
  };
  std::vector<Click> clicks;
  double longest = 0;
  const int before = app.shown;
  for (int step = 0; step < kSteps; ++step) {
    const QModelIndex from = app.outline.currentIndex();
    const auto start = Clock::now();
    app.window.recoveredFilesPage->selectNextRow->click();
    const auto clicked = Clock::now();
    longest = std::max(longest, msBetween(start, clicked));
    if (app.outline.currentIndex() == from) fail("the last row came before the last click");
    clicks.push_back({start, clicked});
    do {
      const auto round = Clock::now();
      QCoreApplication::processEvents();
      longest = std::max(longest, msBetween(round, Clock::now()));
      if (paceMs > 0) QThread::usleep(500);
    } while (msBetween(start, Clock::now()) < paceMs);
  }
  const QString last = QString::fromStdString(app.controller.resultsModel().nodeOf(app.outline.currentIndex())->fileName);
  const gui::PreviewWindow& shown = app.preview.window();
  const auto shownLast = [&] {
    const QString page = shown.shownPage();
    return shown.previewFileName->text() == last && page != QLatin1String("previewLoading") &&
           (page != QLatin1String("videoAndAudio") || !shown.movieStatus->text().trimmed().isEmpty());
  };
  const auto start = Clock::now();
  while (!shownLast() && msBetween(start, Clock::now()) < 30000) {
    const auto round = Clock::now();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, msBetween(round, Clock::now()));
    QThread::usleep(200);
  }
  const bool lastShown = shownLast();
  // No read may outlive the log: close, let the reader stop, then drop the opener.
  app.preview.closePreviewWindow();
  for (const auto until = Clock::now() + std::chrono::milliseconds(200); Clock::now() < until;)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  app.controller.context().deviceOpener = nullptr;

  int abandoned = 0, mostAfterAbandoning = 0;
  std::lock_guard lock(log.mutex);
  for (const ReadLog::Opened& read : log.opened) {
    if (read.pieces.empty()) continue;
    // The first click after the read opened the device abandoned it, unless it had read everything by then.
    const auto click = std::find_if(clicks.begin(), clicks.end(), [&](const Click& c) { return c.start > read.at; });
    if (click == clicks.end() || click->start > read.pieces.back().end) continue;
    ++abandoned;
    const int after = static_cast<int>(std::count_if(read.pieces.begin(), read.pieces.end(),
                                                     [&](const ReadLog::Piece& piece) { return piece.start > click->end; }));
    mostAfterAbandoning = std::max(mostAfterAbandoning, after);
  }
  std::printf("%-34s %5d clicks, %3d previews shown, last row shown: %-3s, longest event-loop hold %6.1f ms, "
              "%3zu reads, %2d abandoned, pieces begun after the abandoning click: at most %d (1 allowed)\n",
              name, kSteps, app.shown - before, lastShown ? "yes" : "NO", longest, log.opened.size(), abandoned,
              mostAfterAbandoning);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp/salvonix-bench");
  const int trials = argc > 2 ? std::atoi(argv[2]) : 9;
  if (trials < 1) fail("TRIALS must be at least 1");
  fs::create_directories(dir);
  const fs::path image = buildImage(dir);
  App app(image);
  clickToPhoto(app, trials);
  navigate(app, image, "at 200 ms a click:", 200, 0);
  navigate(app, image, "at 20 ms a click:", 20, 0);
  navigate(app, image, "as fast as possible:", 0, 0);
  navigate(app, image, "at 20 ms a click, an 80 MB/s card:", 20, 80e6);
  fs::remove(image);
  return 0;
}
