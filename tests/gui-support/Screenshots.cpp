// gui-screenshots CARD OUTDIR: a PNG of every page and window of the application
// driven over a card image; long work is held at a known place by a gated device.

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QThread>
#include <QTreeView>
#include <cstdio>

#include "app/AppController.h"
#include "app/MainWindow.h"
#include "app/Questions.h"
#include "browse/HdirTreeModel.h"
#include "browse/Preview.h"
#include "browse/PreviewKinds.h"
#include "browse/PreviewWindow.h"
#include "gui-support/GuiFixture.h"
#include "scan/Device.h"
#include "support/TestDevices.h"
#include "scan/UnreadableSectors.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

bool shoot(QWidget& widget, const QDir& out, const QString& name) {
  QApplication::processEvents();
  const bool saved = widget.grab().save(out.filePath(name + ".png"));
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(out.filePath(name + ".png")));
  return saved;
}

// Lets clock ticks and result refreshes come in.
void settle(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(50);
  }
}

// The first file of the results in one of these folders (none: the first a preview shows as characters); invalid
// when there is none.
QModelIndex firstFile(AppController& controller, const std::vector<std::string>& folders) {
  for (const auto& folder : controller.dirRoot()->children)
    for (const auto& file : folder->children)
      if (folders.empty() ? previewKind({file->fileName, file->fileType}) == PreviewKind::Other
                          : std::find(folders.begin(), folders.end(), folder->fileName) != folders.end())
        return controller.resultsModel().indexOf(file.get());
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const auto image = argc == 3 ? Device::open(argv[1]) : nullptr;
  if (!image) {
    std::fprintf(stderr, "usage: %s CARD OUTDIR (CARD: a disk image that can be read)\n", argv[0]);
    return 2;
  }
  const std::string card = argv[1];
  const QDir out(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.path());

  test::ScriptedDialogs dialogs;
  test::NoDrives drives;
  AppController controller(dialogs, drives.finder());
  MainWindow& window = controller.window();
  window.resize(1100, 720);
  window.show();
  bool ok = true;

  // The scan waits at the card's middle while its progress is taken.
  auto device = test::useTestDevice(controller.context(), card, image->sizeInBytes() / 2 / 65536 * 65536);
  QApplication::setApplicationVersion(QStringLiteral(SALVONIX_VERSION));
  if (!controller.openDiskImage(QString::fromStdString(card))) return 1;
  ok &= shoot(window, out, "01-drive-page");
  window.drivePage->nextButton->click();
  window.fileTypesPage->fileTypeComboBox->setCurrentIndex(0);
  ok &= shoot(window, out, "02-file-types");
  window.fileTypesPage->scannButton->click();
  test::waitUntil([&] { return controller.context().u64TotalNumberOfFileFound > 0; }, 30000);
  settle(30);
  ok &= shoot(window, out, "03-scanning");
  device->release();
  test::waitUntil([&] { return !controller.scanRunning(); });

  // Results with a folder marked and a file selected.
  HdirTreeModel& model = controller.resultsModel();
  QTreeView& outline = *window.recoveredFilesPage->outlineViewForRecoveredFiles;
  const auto root = controller.dirRoot();
  if (!root->children.empty()) {
    const QModelIndex folder = model.indexOf(root->children.front().get());
    model.setData(folder.siblingAtColumn(HdirTreeModel::MarkColumn), Qt::Checked, Qt::CheckStateRole);
    outline.expand(folder);
    outline.setCurrentIndex(model.index(0, 0, folder));
  }
  ok &= shoot(window, out, "04-results");
  window.recoveredFilesPage->viewSelectedFilesButton->click();
  ok &= shoot(controller.selectedFilesWindow(), out, "05-marked-files");
  controller.selectedFilesWindow().close();

  // Saving, held after its first files.
  const QString destination = out.filePath(QStringLiteral("saved"));
  QDir(destination).removeRecursively();
  QDir().mkpath(destination);
  dialogs.folder = destination;
  HDIR* last = root->children.front()->children.back().get();
  device = test::useTestDevice(controller.context(), card, last->sectorNumber * controller.context().u32BytesInSector);
  window.recoveredFilesPage->saveButton->click();
  test::waitUntil([&] { return controller.context().iNumberOfFileSaved > 1; }, 30000);
  settle(25);
  ok &= shoot(controller.saveProgressWindow(), out, "06-saving");
  ok &= shoot(window, out, "07-results-while-saving");
  device->release();
  test::waitUntil([&] { return !controller.busy(); });
  QDir(destination).removeRecursively();

  // A question, the one alert after a scan that met unreadable sectors, and the about panel.
  const auto shootBox = [&](const std::unique_ptr<QMessageBox>& box, const QString& name) {
    box->show();
    ok &= shoot(*box, out, name);
    box->close();
  };
  shootBox(alertBox(&window, questions::kSaveBeforeHome), "08-question");
  UnreadableSectors unreadable;
  unreadable.add(2048, 128);
  unreadable.add(90000, 1);
  unreadable.add(120017, 151);
  shootBox(alertBox(&window, unreadableSectorsAlert(unreadable)), "08b-unreadable-sectors");
  shootBox(aboutPanel(&window), "09-about");
  BusyPanel panel(&window);
  panel.start(QStringLiteral("Load Recovery"), QStringLiteral("Creating tree ...."));
  ok &= shoot(panel, out, "10-scan-info-panel");

  // The preview of a photo, of a movie once its status and first frame are
  // shown, and of a file shown as characters.
  Preview& preview = controller.preview();
  PreviewWindow& previewWindow = preview.window();
  const auto previewRow = [&](const QModelIndex& row, const std::function<bool()>& ready) {
    if (!row.isValid()) return false;
    preview.closePreviewWindow();  // an open window would preview the row as soon as it is selected
    bool shown = false;
    const auto connection = QObject::connect(&preview, &Preview::previewShown, [&] { shown = true; });
    outline.expand(row.parent());
    outline.setCurrentIndex(row);
    window.recoveredFilesPage->viewButton->click();
    test::waitUntil([&] { return shown && ready(); }, 30000);
    QObject::disconnect(connection);
    return shown && ready();
  };
  const auto always = [] { return true; };
  ok &= previewRow(firstFile(controller, {"JPG Files"}), always) && shoot(previewWindow, out, "11-preview-picture");
  ok &= previewRow(firstFile(controller, {"MP4 Files", "MOV Files"}),
                   [&] { return !previewWindow.backgroundImage->pixmap().isNull(); }) &&
        shoot(previewWindow, out, "12-preview-movie");
  const QModelIndex other = firstFile(controller, {});
  if (other.isValid()) ok &= previewRow(other, always) && shoot(previewWindow, out, "13-preview-characters");
  preview.closePreviewWindow();
  return ok ? 0 : 1;
}
