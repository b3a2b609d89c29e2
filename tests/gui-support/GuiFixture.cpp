#include "gui-support/GuiFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdlib>

namespace salvonix::test {

int ScriptedDialogs::alert(QWidget*, const Alert& alert) {
  asked.push_back(alert.title + "|" + alert.text);
  auto& queue = answers_[alert.title];
  if (queue.empty()) return 0;
  const std::string button = queue.front();
  queue.pop_front();
  const auto found = std::find(alert.buttons.begin(), alert.buttons.end(), button);
  return found == alert.buttons.end() ? 0 : static_cast<int>(found - alert.buttons.begin());
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString&, const QString& suggested) {
  suggestedSaveName = suggested;
  return saveName;
}

bool ScriptedDialogs::wasAsked(const std::string& title) const {
  return std::any_of(asked.begin(), asked.end(), [&](const std::string& a) { return a.rfind(title + "|", 0) == 0; });
}

struct NoDrives::Machine : BlockDeviceTree, FilesystemProbe {
  std::vector<BlockDeviceEntry> blockDevices() override { return {}; }
  std::optional<FilesystemInfo> probe(const std::string&) override { return std::nullopt; }
};

NoDrives::NoDrives()
    : machine_(std::make_unique<Machine>()),
      finder_(std::make_unique<DriveFinder>(*machine_, *machine_, "/dev/null", "/nonexistent")) {}
NoDrives::~NoDrives() = default;

std::vector<CardFile> makeSampleCard(const std::string& imagePath, const std::string& scratchDir) {
  struct Made {
    std::string name, folder, command;
  };
  const std::string d = scratchDir + "/";
  const std::vector<Made> made{
      {"photo1.jpg", "JPG Files", "convert -size 320x240 gradient:navy-orange -quality 90 " + d + "photo1.jpg"},
      {"photo2.jpg", "JPG Files", "convert -size 200x150 plasma:red-yellow -seed 3 " + d + "photo2.jpg"},
      {"photo3.jpg", "JPG Files", "convert rose: -resize 200% " + d + "photo3.jpg"},
      {"shot.png", "PNG Files", "convert -size 240x180 gradient:green-white " + d + "shot.png"},
      {"logo.gif", "GIF Files", "convert -size 160x120 gradient:red-blue -colors 32 " + d + "logo.gif"},
      {"scan.bmp", "BMP Files", "convert -size 96x64 gradient:gray-black BMP3:" + d + "scan.bmp"},
  };
  std::vector<CardFile> files;
  uint64_t sector = 64;
  for (const Made& m : made) {
    if (std::system((m.command + " >/dev/null 2>&1").c_str()) != 0) return {};
    Bytes bytes = readFile(d + m.name);
    // A megabyte between files: a test can hold a scan between two of them.
    const uint64_t next = sector + (bytes.size() + 511) / 512 + 2048 + 37;
    files.push_back({m.name, m.folder, std::move(bytes), sector});
    sector = next;
  }
  const uint64_t size = (sector + 2048) * 512;
  TestImage image(imagePath, size);
  image.put(0, randomBytes(size, 11));
  for (const CardFile& file : files) image.putAtSector(file.sector, file.bytes);
  return files;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return done();
}

}  // namespace salvonix::test
