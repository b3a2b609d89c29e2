#pragma once
// What the GUI tests share: dialogs answered by the test, a machine without drives
// (the tests add their card as a disk image), a card image of real encoders' files,
// and a wait that keeps the event loop running.

#include <QString>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppController.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "drives/DriveFinder.h"
#include "support/TestImage.h"

namespace salvonix::test {

class ScriptedDialogs : public gui::Dialogs {
 public:
  // The next alert with this title is answered with this button; alerts
  // without a scripted answer get their first (default) button.
  void answer(const std::string& title, const std::string& button) { answers_[title].push_back(button); }
  int alert(QWidget* parent, const Alert& alert) override;
  QString chooseFolder(QWidget*, const QString&) override { return folder; }
  QString saveFileName(QWidget*, const QString&, const QString& suggested) override;
  QString openFileName(QWidget*, const QString&, const QString&) override { return openName; }
  // Titles of the alerts shown, with their texts after a "|".
  std::vector<std::string> asked;
  bool wasAsked(const std::string& title) const;
  QString folder, saveName, openName;  // answers of the file dialogs; empty cancels
  QString suggestedSaveName;           // what the save dialog proposed

 private:
  std::map<std::string, std::deque<std::string>> answers_;
};

// A drive finder that finds nothing.
class NoDrives {
 public:
  NoDrives();
  ~NoDrives();
  DriveFinder& finder() { return *finder_; }

 private:
  struct Machine;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<DriveFinder> finder_;
};

struct CardFile {
  std::string name;
  std::string folder;  // type folder of its results, "JPG Files"
  Bytes bytes;
  uint64_t sector;
};

// A card image with real JPEG, PNG, GIF and BMP files (ImageMagick) laid at
// known sectors, random bytes between them. Empty when convert is missing.
std::vector<CardFile> makeSampleCard(const std::string& imagePath, const std::string& scratchDir);

// The application as a test drives it: answered dialogs, no drives but the
// test's images, the window shown offscreen.
struct TestApp {
  ScriptedDialogs dialogs;
  NoDrives drives;
  gui::AppController controller{dialogs, drives.finder()};
  gui::MainWindow& window = controller.window();
  gui::RecoveredFilesPage& results = *window.recoveredFilesPage;
  TestApp() { window.show(); }
};

// Processes events until done() or the timeout; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 120000);

}  // namespace salvonix::test
